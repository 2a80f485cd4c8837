// terminal_view.h: a connection's window: the MDI child that hosts the terminal's
// view, and the view itself, whose whole client area is the terminal's file tree
// and which owns the connection's progress dialog. GUI thread.
#pragma once

#include "terminal/terminal_file_tree.h"

#include <QDialog>
#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

#include <memory>

class CKVVidiRidovedDoc;
class ProgressDialog;
class TerminalLink;

class CTerminalView : public QWidget {
    Q_OBJECT
public:
    explicit CTerminalView(CKVVidiRidovedDoc& document, QWidget* parent = nullptr);
    ~CTerminalView() override;
    CKVVidiRidovedDoc& document() const { return doc; }
    CTerminalFileTree& Tree() { return tree; }
    // Null until the view is first shown.
    ProgressDialog* progressDialog() const { return progress.get(); }

    // Makes the progress dialog the link's progress and its Cancel the link's
    // cancel; the tree follows the document's link by itself.
    void AttachLink(TerminalLink& link);
    // Takes the progress dialog back from the document's link, which may outlive
    // the view on the reaper's thread.
    void ReleaseLink();

    // The connection commands of the Setup and Tool menus. GUI thread.
    void OnCommunicate();
    void OnSetTime();
    void OnGetInformation();
    void OnApplicationDownload();
    void OnBatchDownload();

    QString appImagePath;
    QString batchFilePath;
    // The modal dialog a command of this view is showing, or null.
    QPointer<QDialog> openDialog;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    CKVVidiRidovedDoc& doc;
    std::unique_ptr<ProgressDialog> progress;
    CTerminalFileTree tree;
    bool treeCreated = false;
    bool shownOnce = false;
};

// Owns the document; closing the window closes the connection.
class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    // Takes the document over.
    explicit CChildFrame(CKVVidiRidovedDoc* document, QWidget* parent = nullptr);
    CKVVidiRidovedDoc* document() const { return doc; }
    CTerminalView* view() const { return terminalView; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CKVVidiRidovedDoc* doc;
    CTerminalView* terminalView;
};
