// main_frame.h: the program's one top-level window: the connection windows in an
// MDI area, the toolbar, the status bar, the docked PC Window and Message Window,
// the two menus (without and with a connection), the edit commands both file
// trees share (frame_tree_commands.cpp), the clock-synchronisation toggle, and
// the work done without the user: the sibling program's requests and the
// device-change rescan (frame_automatic_work.cpp). GUI thread.
#pragma once

#include "pc/file_tree_ctrl.h"

#include <QMainWindow>
#include <QMap>

class CChildFrame;
class CKVVidiRidovedApp;
class CKVVidiRidovedDoc;
class CPCFileTree;
class MessageWindow;
class QAction;
class QDockWidget;
class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;

// Command ids of the menus, the toolbar and the context menu.
namespace Command {
inline constexpr int New = 57600, Close = 57602, Exit = 57665, About = 57664;
inline constexpr int PcWindowToggle = 32771, MessageWindowToggle = 32772, Toolbar = 59392,
                     StatusBar = 59393;
inline constexpr int Cut = 57635, Copy = 57634, Paste = 57637, Delete = 32773;
inline constexpr int Property = 32774, Format = 32776;
inline constexpr int Communicate = 32775, Standard = 32786, Convert = 32787;
inline constexpr int ConvertSetting = 32785, SetTime = 32777, ClockSynchronization = 32789;
inline constexpr int GetInformation = 32779, ApplicationDownload = 32781, BatchDownload = 32788;
inline constexpr int Collect = 32790;
inline constexpr int Cascade = 57650, TileHorizontally = 57651, TileVertically = 57652;
} // namespace Command

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(CKVVidiRidovedApp& app, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The action of a command id (the menu 128 one where both menus have their own).
    QAction* action(int id) const { return actions.value(id); }
    CPCFileTree* pcTree() const { return pcFileTree; }
    MessageWindow* messageWindow() const { return messages; }
    QDockWidget* pcWindow() const { return pcDock; }
    QMdiArea* mdiArea() const { return mdi; }
    QMenu* contextMenu() const { return treeMenu; }
    // Open connections, oldest first.
    QList<CKVVidiRidovedDoc*> Documents() const;
    QList<CChildFrame*> ConnectionWindows() const;
    // True while menu 129 (a connection is open) is in the menu bar.
    bool ConnectionMenuShown() const { return connectionMenus; }

    // Lets a file tree write the edit state and open the context menu.
    void AttachTree(CFileTreeCtrl* tree);
    // The one place that enables and ticks the commands.
    void UpdateCommands();
    bool PasteEnabledNow() const;
    // Closes every connection window at once (exit).
    void CloseAllConnections();
    // The first open connection titled portName, compared without regard to
    // case; null when none is.
    CChildFrame* FindConnection(const QString& portName) const;

    EditCommandState commands;
    int deviceScanBusy = 0;
    int pcWindowVisible = 1;
    int messageWindowVisible = 1;

public slots:
    void OnFileNew();
    void OnFileClose();
    void OnPcWindow();
    void OnMessageWindow();
    void OnCut();
    void OnCopy();
    void OnPaste();
    void OnDelete();
    void OnProperty();
    void OnFormat();
    void OnConvertSetting();
    void OnClockSynchronization();
    void OnConvertMode(int mode);
    void OnDeviceChange();
    void OnAbout();
    void OnAutoTransmit();
    void OnAutoInstall();
    void BringToFront();
    void ShowContextMenu(const QPoint& globalPos);

signals:
    // An automatic request arrived (from the socket or a registry-driven
    // connection): 1 for a transmission, 2 for an install.
    void AutomaticWorkRequested(int mode);
    // The frame has closed (File > Exit, the window's close button): the program ends.
    void FrameClosed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* MakeAction(int id, const QString& text, const QString& prompt);
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreatePanes();
    void RefreshFrameState();
    void ShowMenus(bool connection);
    void TileWindows(Qt::Orientation orientation);
    void CutOrCopy(int mode);
    // True, after one line in the message window, when a job of the connection
    // runs and automatic work must wait for another request. While only a
    // listing runs, again is called once more a moment later, without a line.
    bool RefuseWhileBusy(CChildFrame& child, const QString& work, void (CMainFrame::*again)());
    // The automatic work once its request has been announced.
    void AutoTransmit();
    void AutoInstall();
    static constexpr int kListingWaitMs = 100;

    CKVVidiRidovedApp& app;
    QMap<int, QAction*> actions;
    QAction* exitWithConnection = nullptr;
    QList<QMenu*> menus128;
    QList<QMenu*> menus129;
    QMenu* treeMenu = nullptr;
    QMdiArea* mdi = nullptr;
    QToolBar* toolBar = nullptr;
    QDockWidget* pcDock = nullptr;
    CPCFileTree* pcFileTree = nullptr;
    MessageWindow* messages = nullptr;
    bool connectionMenus = false;
    int untitledCount = 0;
};
