#include "terminal/terminal_view.h"

#include "connection/kv_vidi_ridoved_doc.h"
#include "link/terminal_link.h"
#include "pc/progress_dialog.h"

#include <QCloseEvent>
#include <QIcon>

CTerminalView::CTerminalView(CKVVidiRidovedDoc& document, QWidget* parent)
    : QWidget(parent), doc(document), tree(this)
{
    setObjectName(QStringLiteral("terminalView"));
    setMinimumSize(240, 160);
    tree.setGeometry(rect());
    // The commands ask through the tree, shown or not.
    tree.Attach(&doc);
    treeCreated = true;
    // Closing the document hands its link to the reaper, which may end it after
    // this view is gone.
    connect(&doc, &CKVVidiRidovedDoc::Closing, this, &CTerminalView::ReleaseLink);
}

CTerminalView::~CTerminalView()
{
    ReleaseLink();
    if (reconnecting)
        tree.jobRunning.store(0);
    // A running job still writes into the dialog's progress: the dialog goes
    // when the job has ended.
    if (tree.jobRunning.load() && !tree.RequestRunning() && progress) {
        progress->hide();
        (void)progress.release();
    }
    if (openDialog)
        openDialog->close();
}

void CTerminalView::AttachLink(TerminalLink& link)
{
    if (!progress)
        return;
    link.progress.store(&progress->progress());
    progress->SetCancelFlag(&link.cancel);
}

void CTerminalView::ReleaseLink()
{
    if (!progress)
        return;
    if (TerminalLink* link = doc.link.get()) {
        TransferProgress* mine = &progress->progress();
        link->progress.compare_exchange_strong(mine, nullptr);
    }
    progress->SetCancelFlag(nullptr);
}

void CTerminalView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (treeCreated)
        tree.setGeometry(rect());
}

void CTerminalView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (shownOnce)
        return;
    shownOnce = true;
    tree.InsertRoot();
    progress = std::make_unique<ProgressDialog>();
    tree.progressDialog = progress.get();
    if (doc.link)
        AttachLink(*doc.link);
}

CChildFrame::CChildFrame(CKVVidiRidovedDoc* document, QWidget* parent)
    : QMdiSubWindow(parent), doc(document), terminalView(new CTerminalView(*document, this))
{
    setObjectName(QStringLiteral("connectionWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    doc->setParent(this);
    setWidget(terminalView);
    setWindowIcon(QIcon(QStringLiteral(":/icons/tree1.png")));
    setWindowTitle(doc->Title());
    connect(doc, &CKVVidiRidovedDoc::TitleChanged, this, &QWidget::setWindowTitle);
}

void CChildFrame::closeEvent(QCloseEvent* event)
{
    doc->OnCloseDocument();
    QMdiSubWindow::closeEvent(event);
}
