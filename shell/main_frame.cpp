// main_frame.cpp: the main frame made: its actions, menus, bars and panes, its
// connection windows opened and closed, and what its commands show enabled.
#include "shell/main_frame.h"

#include "connection/device_monitor.h"
#include "connection/kv_vidi_ridoved_doc.h"
#include "gui/message_window.h"
#include "gui/modal_box.h"
#include "gui/prompter.h"
#include "gui/ui_language.h"
#include "pc/pc_file_tree.h"
#include "shell/about_dialog.h"
#include "shell/convert_setting_dialog.h"
#include "shell/frame_layout.h"
#include "shell/kv_vidi_ridoved_app.h"
#include "terminal/terminal_view.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QDockWidget>
#include <QIcon>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolTip>

namespace {

// Set on the commands whose prompt gives no tooltip.
constexpr char kNoToolTip[] = "noToolTip";

// Keeps a toolbar button from showing its command's text as a tooltip.
class NoToolTipFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::ToolTip)
            return QObject::eventFilter(watched, event);
        QToolTip::hideText();
        return true;
    }
};

} // namespace

CMainFrame::CMainFrame(CKVVidiRidovedApp& application, QWidget* parent)
    : QMainWindow(parent), app(application)
{
    setObjectName(QStringLiteral("VidiRidovedClass"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/program.png")));
    setDockOptions(QMainWindow::AnimatedDocks);
    mdi = new QMdiArea(this);
    mdi->setObjectName(QStringLiteral("mdiArea"));
    setCentralWidget(mdi);
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    CreatePanes();
    connect(mdi, &QMdiArea::subWindowActivated, this, [this] { RefreshFrameState(); });
    connect(&app.deviceMonitor(), &DeviceMonitor::DevicesChanged, this,
            &CMainFrame::OnDeviceChange);
    resize(900, 640);
    RestoreFrameLayout(*this);
    pcWindowVisible = pcDock->isHidden() ? 0 : 1;
    messageWindowVisible = messages->isHidden() ? 0 : 1;
    AddStandardShortcuts(*this);
    RefreshFrameState();
    SetLogConnectionSource([this] {
        const QMdiSubWindow* active = mdi->currentSubWindow();
        return active ? active->windowTitle() : QString();
    });
}

CMainFrame::~CMainFrame()
{
    SetLogConnectionSource({});
    CloseAllConnections();
    // The trees outlive this object's members while the widget tree is torn down.
    for (CFileTreeCtrl* tree : findChildren<CFileTreeCtrl*>())
        tree->SetCommandState(nullptr);
}

QAction* CMainFrame::MakeAction(int id, const QString& text, const QString& prompt)
{
    auto* a = new QAction(text, this);
    a->setObjectName(QStringLiteral("action%1").arg(id));
    // A prompt is "status bar text\ntooltip".
    const qsizetype newline = prompt.indexOf(u'\n');
    a->setStatusTip(newline < 0 ? prompt : prompt.left(newline));
    if (newline >= 0)
        a->setToolTip(prompt.mid(newline + 1));
    else
        a->setProperty(kNoToolTip, true);
    if (!actions.contains(id))
        actions.insert(id, a);
    return a;
}

void CMainFrame::CreateActions()
{
    using namespace Command;
    connect(MakeAction(New, tr("New"), tr("Create a new document\nNew")), &QAction::triggered, this,
            &CMainFrame::OnFileNew);
    actions[New]->setIcon(QIcon(QStringLiteral(":/icons/new.png")));
    connect(MakeAction(Close, tr("Close"), tr("Close the active document\nClose")),
            &QAction::triggered, this, &CMainFrame::OnFileClose);
    const QString exitPrompt = tr("Quit the application; prompts to save documents\nExit");
    connect(MakeAction(Exit, tr("Exit", "menu without a connection"), exitPrompt),
            &QAction::triggered, this, &QWidget::close);
    exitWithConnection = MakeAction(Exit, tr("Exit", "menu with a connection"), exitPrompt);
    exitWithConnection->setObjectName(QStringLiteral("action57665c"));
    connect(exitWithConnection, &QAction::triggered, this, &QWidget::close);

    QAction* pc = MakeAction(PcWindowToggle, tr("PC Window"), tr("Show or hide the pc window"));
    pc->setCheckable(true);
    pc->setIcon(QIcon(QStringLiteral(":/icons/tree0.png")));
    connect(pc, &QAction::triggered, this, &CMainFrame::OnPcWindow);
    QAction* msg = MakeAction(MessageWindowToggle, tr("Message Window"),
                              tr("Show or hide the message window"));
    msg->setCheckable(true);
    msg->setIcon(QIcon(QStringLiteral(":/icons/messages.png")));
    connect(msg, &QAction::triggered, this, &CMainFrame::OnMessageWindow);
    QAction* tb =
        MakeAction(Toolbar, tr("Toolbar"), tr("Show or hide the toolbar\nToggle ToolBar"));
    tb->setCheckable(true);
    QAction* sb = MakeAction(StatusBar, tr("Status Bar"),
                             tr("Show or hide the status bar\nToggle StatusBar"));
    sb->setCheckable(true);
    connect(sb, &QAction::triggered, this, [this](bool on) {
        statusBar()->setVisible(on);
        UpdateCommands();
    });
    connect(MakeAction(About, tr("About KVVidiRidoved..."),
                       tr("Display program information, version number and copyright\nAbout")),
            &QAction::triggered, this, &CMainFrame::OnAbout);
    actions[About]->setIcon(QIcon(QStringLiteral(":/icons/about.png")));

    connect(
        MakeAction(Cut, tr("Cut"), tr("Cut the selection file and put it on the Clipboard\nCut")),
        &QAction::triggered, this, &CMainFrame::OnCut);
    connect(MakeAction(Copy, tr("Copy"),
                       tr("Copy the selection file and put it on the Clipboard\nCopy")),
            &QAction::triggered, this, &CMainFrame::OnCopy);
    connect(MakeAction(Delete, tr("Delete"), tr("Delete the selection file\nDelete")),
            &QAction::triggered, this, &CMainFrame::OnDelete);
    connect(MakeAction(Paste, tr("Paste"), tr("Insert Clipboard contents\nPaste")),
            &QAction::triggered, this, &CMainFrame::OnPaste);
    connect(MakeAction(Format, tr("Format"), tr("Format Disc")), &QAction::triggered, this,
            &CMainFrame::OnFormat);
    connect(
        MakeAction(Property, tr("Property"), tr("Display the properties of the selected items.")),
        &QAction::triggered, this, &CMainFrame::OnProperty);

    MakeAction(Communicate, tr("Communicate"), tr("Setup the communication port.\nCommunication"));
    auto* modes = new QActionGroup(this);
    QAction* standard =
        MakeAction(Standard, tr("Standard"), tr("Standard transmission.\nNormal transmission"));
    QAction* convert = MakeAction(Convert, tr("Convert"),
                                  tr("Convert file while transmission.\nConvert transmission"));
    for (QAction* a : {standard, convert}) {
        a->setCheckable(true);
        modes->addAction(a);
    }
    connect(standard, &QAction::triggered, this, [this] { OnConvertMode(0); });
    connect(convert, &QAction::triggered, this, [this] { OnConvertMode(1); });
    connect(MakeAction(ConvertSetting, tr("Convert Setting"),
                       tr("Setting the DBMS file convert.\nFile Convert Setting")),
            &QAction::triggered, this, &CMainFrame::OnConvertSetting);
    MakeAction(SetTime, tr("Set Time"), tr("Change the time on teminal."));
    QAction* clock = MakeAction(ClockSynchronization, tr("Clock Synchronization"),
                                tr("Auto synchronization PDT Clock"));
    clock->setCheckable(true);
    connect(clock, &QAction::triggered, this, &CMainFrame::OnClockSynchronization);
    MakeAction(GetInformation, tr("Get Information"), tr("Get Terminal Information.\nInformation"));
    MakeAction(ApplicationDownload, tr("Application download"),
               tr("Download terminal application"));
    MakeAction(BatchDownload, tr("Batch download"), tr("Download batch build file"));
    MakeAction(Collect, tr("Collect"),
               tr("Fetch every file of the highlighted terminal folder into a PC folder"));
    connect(
        MakeAction(Cascade, tr("Cascade"), tr("Arrange windows so they overlap\nCascade Windows")),
        &QAction::triggered, mdi, &QMdiArea::cascadeSubWindows);
    connect(MakeAction(TileHorizontally, tr("Tile Horizontally"),
                       tr("Arrange windows as horizontal, non-overlapping tiles\nTile Windows")),
            &QAction::triggered, this, [this] { TileWindows(Qt::Vertical); });
    connect(MakeAction(TileVertically, tr("Tile Vertically"),
                       tr("Arrange windows as vertical, non-overlapping tiles\nTile Windows")),
            &QAction::triggered, this, [this] { TileWindows(Qt::Horizontal); });
    // The connection's own commands go to the view of the current connection window.
    const auto toView = [this](int id, void (CTerminalView::*command)()) {
        connect(actions[id], &QAction::triggered, this, [this, command] {
            if (auto* child = qobject_cast<CChildFrame*>(mdi->currentSubWindow()))
                (child->view()->*command)();
        });
    };
    toView(Communicate, &CTerminalView::OnCommunicate);
    toView(SetTime, &CTerminalView::OnSetTime);
    toView(GetInformation, &CTerminalView::OnGetInformation);
    toView(ApplicationDownload, &CTerminalView::OnApplicationDownload);
    toView(BatchDownload, &CTerminalView::OnBatchDownload);
    toView(Collect, &CTerminalView::OnCollect);
}

void CMainFrame::CreateMenus()
{
    using namespace Command;
    auto menu = [this](const QString& title, const char* name) {
        auto* m = new QMenu(title, this);
        m->setObjectName(QString::fromLatin1(name));
        connect(m, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommands);
        return m;
    };
    auto addView = [this](QMenu* view) {
        view->addAction(actions[PcWindowToggle]);
        view->addAction(actions[MessageWindowToggle]);
        view->addSeparator();
        view->addAction(actions[Toolbar]);
        view->addAction(actions[StatusBar]);
    };

    QMenu* file128 = menu(tr("File"), "menu128File");
    file128->addAction(actions[New]);
    file128->addSeparator();
    file128->addAction(actions[Exit]);
    QMenu* view128 = menu(tr("View"), "menu128View");
    addView(view128);
    QMenu* help128 = menu(tr("Help"), "menu128Help");
    help128->addAction(actions[About]);
    menus128 = {file128, view128, help128};

    QMenu* file129 = menu(tr("File"), "menu129File");
    file129->addAction(actions[New]);
    file129->addAction(actions[Close]);
    file129->addSeparator();
    file129->addAction(exitWithConnection);
    QMenu* setup = menu(tr("Setup"), "menu129Setup");
    setup->addAction(actions[Communicate]);
    QMenu* modes = setup->addMenu(tr("Convert mode"));
    modes->setObjectName(QStringLiteral("menu129ConvertMode"));
    modes->addAction(actions[Standard]);
    modes->addAction(actions[Convert]);
    setup->addAction(actions[ConvertSetting]);
    QMenu* tool = menu(tr("Tool"), "menu129Tool");
    tool->addAction(actions[SetTime]);
    tool->addAction(actions[ClockSynchronization]);
    tool->addAction(actions[GetInformation]);
    tool->addAction(actions[ApplicationDownload]);
    tool->addAction(actions[BatchDownload]);
    tool->addAction(actions[Collect]);
    QMenu* view129 = menu(tr("View"), "menu129View");
    addView(view129);
    QMenu* window = menu(tr("Window"), "menu129Window");
    window->addAction(actions[Cascade]);
    window->addAction(actions[TileHorizontally]);
    window->addAction(actions[TileVertically]);
    QMenu* help129 = menu(tr("Help"), "menu129Help");
    help129->addAction(actions[About]);
    menus129 = {file129, setup, tool, view129, window, help129};

    treeMenu = new QMenu(this);
    treeMenu->setObjectName(QStringLiteral("menu130"));
    // Queued: the menu hides before its command runs, and the command still needs
    // the item the menu was opened on.
    connect(
        treeMenu, &QMenu::aboutToHide, this,
        [this] {
            if (CFileTreeCtrl* tree = commands.contextTree)
                tree->EndContextMenu();
        },
        Qt::QueuedConnection);
    treeMenu->addAction(actions[Cut]);
    treeMenu->addAction(actions[Copy]);
    QAction* del = treeMenu->addAction(tr("Delete", "context menu"));
    del->setObjectName(QStringLiteral("menu130Delete"));
    connect(del, &QAction::triggered, actions[Delete], &QAction::trigger);
    connect(actions[Delete], &QAction::changed, del, [this, del] {
        del->setEnabled(actions[Command::Delete]->isEnabled());
        del->setStatusTip(actions[Command::Delete]->statusTip());
    });
    del->setStatusTip(actions[Delete]->statusTip());
    treeMenu->addAction(actions[Paste]);
    treeMenu->addSeparator();
    treeMenu->addAction(actions[Format]);
    treeMenu->addSeparator();
    treeMenu->addAction(actions[Property]);
    ShowMenus(false);
}

void CMainFrame::ShowMenus(bool connection)
{
    connectionMenus = connection;
    menuBar()->clear();
    for (QMenu* m : connection ? menus129 : menus128)
        menuBar()->addMenu(m);
}

void CMainFrame::CreateToolBar()
{
    using namespace Command;
    toolBar = new QToolBar(tr("Toolbar"), this);
    toolBar->setObjectName(QStringLiteral("toolBar"));
    toolBar->setIconSize(QSize(16, 15));
    toolBar->addAction(actions[New]);
    toolBar->addSeparator();
    toolBar->addAction(actions[PcWindowToggle]);
    toolBar->addAction(actions[MessageWindowToggle]);
    toolBar->addSeparator();
    toolBar->addAction(actions[About]);
    addToolBar(Qt::TopToolBarArea, toolBar);
    // Qt would show a command's text where its prompt gives no tooltip.
    auto* noToolTip = new NoToolTipFilter(toolBar);
    for (QAction* a : toolBar->actions())
        if (a->property(kNoToolTip).toBool())
            if (QWidget* button = toolBar->widgetForAction(a))
                button->installEventFilter(noToolTip);
    connect(actions[Toolbar], &QAction::triggered, toolBar, &QWidget::setVisible);
    connect(toolBar, &QToolBar::visibilityChanged, this, [this] { UpdateCommands(); });
}

void CMainFrame::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    // The lock-key state is not available to a Qt program on every system: the
    // indicators are shown dimmed.
    for (const char* text : {"CAP", "NUM", "SCRL"}) {
        auto* label = new QLabel(QString::fromLatin1(text), bar);
        label->setObjectName(QStringLiteral("indicator%1").arg(QString::fromLatin1(text)));
        label->setEnabled(false);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        bar->addPermanentWidget(label);
    }
    bar->showMessage(tr("Ready"));
}

void CMainFrame::CreatePanes()
{
    messages = new MessageWindow(this);
    messages->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    addDockWidget(Qt::BottomDockWidgetArea, messages);

    pcDock = new QDockWidget(tr("PC Window"), this);
    pcDock->setObjectName(QStringLiteral("PcWindow"));
    pcDock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    pcFileTree = new CPCFileTree(pcDock);
    pcDock->setWidget(pcFileTree);
    pcDock->setMinimumWidth(200);
    addDockWidget(Qt::LeftDockWidgetArea, pcDock);
    AttachTree(pcFileTree);
    resizeDocks({messages}, {150}, Qt::Vertical);
    resizeDocks({pcDock}, {250}, Qt::Horizontal);
}

void CMainFrame::AttachTree(CFileTreeCtrl* tree)
{
    tree->SetCommandState(&commands);
    connect(tree, &CFileTreeCtrl::CommandsChanged, this, &CMainFrame::UpdateCommands);
    connect(tree, &CFileTreeCtrl::ContextMenuRequested, this, &CMainFrame::ShowContextMenu);
    // The key deletes in the tree it was pressed in, whichever was clicked last.
    connect(tree, &CFileTreeCtrl::DeleteKeyPressed, this, &CMainFrame::OnDelete);
    tree->SetMessageSink(&app.messages());
}

QList<CChildFrame*> CMainFrame::ConnectionWindows() const
{
    QList<CChildFrame*> windows;
    for (QMdiSubWindow* sub : mdi->subWindowList(QMdiArea::CreationOrder))
        if (auto* child = qobject_cast<CChildFrame*>(sub))
            windows << child;
    return windows;
}

QList<CKVVidiRidovedDoc*> CMainFrame::Documents() const
{
    QList<CKVVidiRidovedDoc*> docs;
    for (CChildFrame* child : ConnectionWindows())
        docs << child->document();
    return docs;
}

void CMainFrame::UpdateCommands()
{
    using namespace Command;
    actions[Cut]->setEnabled(commands.cutEnabled != 0);
    actions[Copy]->setEnabled(commands.copyEnabled != 0);
    actions[Delete]->setEnabled(commands.deleteEnabled != 0);
    actions[Format]->setEnabled(commands.formatEnabled != 0);
    actions[Property]->setEnabled(commands.propertyEnabled != 0);
    actions[Paste]->setEnabled(PasteEnabledNow());
    actions[PcWindowToggle]->setChecked(pcWindowVisible != 0);
    actions[MessageWindowToggle]->setChecked(messageWindowVisible != 0);
    actions[Toolbar]->setChecked(toolBar->isVisibleTo(this));
    actions[StatusBar]->setChecked(statusBar()->isVisibleTo(this));
    actions[ClockSynchronization]->setChecked(app.ClockSynchronization.load() != 0);
    actions[Standard]->setChecked(app.ConvertMode.load() == 0);
    actions[Convert]->setChecked(app.ConvertMode.load() != 0);
    actions[Close]->setEnabled(mdi->currentSubWindow() != nullptr);
}

void CMainFrame::RefreshFrameState()
{
    const QList<QMdiSubWindow*> windows = mdi->subWindowList();
    ShowMenus(!windows.isEmpty());
    QMdiSubWindow* current = mdi->currentSubWindow();
    setWindowTitle(current ? ApplicationTitle() + QStringLiteral(" - ") + current->windowTitle()
                           : ApplicationTitle());
    UpdateCommands();
}

void CMainFrame::OnFileNew()
{
    // Parented to the frame while it connects; the window takes it over.
    auto* doc = new CKVVidiRidovedDoc(app, this);
    // Until the connection is known the window is named after the document
    // template: KVFile1, KVFile2, ...
    doc->SetTitle(QStringLiteral("KVFile%1").arg(untitledCount + 1));
    if (!doc->OnNewDocument(this)) {
        delete doc;
        return;
    }
    ++untitledCount;
    auto* child = new CChildFrame(doc);
    AttachTree(&child->view()->Tree());
    connect(doc, &CKVVidiRidovedDoc::AutoTransmitRequested, this, &CMainFrame::OnAutoTransmit,
            Qt::QueuedConnection);
    connect(doc, &CKVVidiRidovedDoc::AutoInstallRequested, this, &CMainFrame::OnAutoInstall,
            Qt::QueuedConnection);
    connect(
        child, &QObject::destroyed, this, [this] { RefreshFrameState(); }, Qt::QueuedConnection);
    connect(doc, &CKVVidiRidovedDoc::TitleChanged, this, [this] { RefreshFrameState(); });
    mdi->addSubWindow(child);
    child->resize(420, 300);
    child->show();
    child->setGeometry(FitInside(child->geometry(), mdi->viewport()->rect()));
    mdi->setActiveSubWindow(child);
    RefreshFrameState();
}

void CMainFrame::OnFileClose()
{
    if (QMdiSubWindow* current = mdi->currentSubWindow())
        current->close();
}

void CMainFrame::CloseAllConnections()
{
    for (CChildFrame* child : ConnectionWindows())
        child->document()->OnCloseDocument();
    mdi->closeAllSubWindows();
}

void CMainFrame::OnPcWindow()
{
    pcWindowVisible = 1 - pcWindowVisible;
    pcDock->setVisible(pcWindowVisible != 0);
    UpdateCommands();
}

void CMainFrame::OnMessageWindow()
{
    messageWindowVisible = 1 - messageWindowVisible;
    messages->setVisible(messageWindowVisible != 0);
    UpdateCommands();
}

void CMainFrame::OnConvertSetting()
{
    EditConvertSettings(app.Settings, app.convertIniPath, this);
}

void CMainFrame::OnClockSynchronization()
{
    const int on = 1 - app.ClockSynchronization.load();
    app.ClockSynchronization.store(on);
    for (CKVVidiRidovedDoc* doc : Documents()) {
        if (on)
            doc->StartClockThread();
        else
            doc->WakeClockThread();
    }
    UpdateCommands();
}

void CMainFrame::OnConvertMode(int mode)
{
    app.ConvertMode.store(mode);
    UpdateCommands();
}

void CMainFrame::OnAbout()
{
    AboutDialog dialog(this);
    ExecModal(dialog);
}

void CMainFrame::BringToFront()
{
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void CMainFrame::TileWindows(Qt::Orientation orientation)
{
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* w : mdi->subWindowList(QMdiArea::CreationOrder))
        if (!w->isMinimized())
            windows << w;
    if (windows.isEmpty())
        return;
    const QRect area = mdi->viewport()->rect();
    const int n = static_cast<int>(windows.size());
    for (int i = 0; i < n; ++i) {
        windows[i]->showNormal();
        if (orientation == Qt::Vertical) {
            const int h = area.height() / n;
            windows[i]->setGeometry(0, i * h, area.width(), h);
        } else {
            const int w = area.width() / n;
            windows[i]->setGeometry(i * w, 0, w, area.height());
        }
    }
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // Quitting stops the transfers: the user says so first.
    QStringList transferring;
    for (CChildFrame* child : ConnectionWindows())
        if (const CTerminalFileTree& tree = child->view()->Tree();
            tree.jobRunning.load() && !tree.RequestRunning())
            transferring << child->document()->Title();
    if (!transferring.isEmpty() &&
        !ThePrompter().AskYesNoDefaultNo(tr("A transfer to %1 is running. Stop it and quit?")
                                             .arg(transferring.join(QStringLiteral(", "))))) {
        event->ignore();
        return;
    }
    SaveFrameLayout(*this);
    CloseAllConnections();
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        emit FrameClosed();
}
