// terminal_view.h: a connection's window: the MDI child that hosts the terminal's
// view, and the view itself, whose whole client area is the terminal's file tree
// and which owns the connection's progress dialog. GUI thread.
#pragma once

#include "terminal/terminal_file_tree.h"

#include <QDialog>
#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class CKVVidiRidovedDoc;
class JobHost;
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
    // Every file of the folder highlighted in the tree into a PC folder the user
    // picks, below it one folder per terminal; asks whether to delete each file
    // once its copy is verified. A line per file and one for the whole.
    void OnCollect();
    // Start the download of appImagePath or batchFilePath on the connection's job
    // thread and return at once. While a job of the connection runs: message
    // 40005, nothing more. The automatic install is an application download that
    // also writes its outcome as a line in the message window.
    void ApplicationDownloadJob();
    void BatchDownloadJob();
    // The automatic install of image, the connection set to baudCode first.
    void AutoInstallJob(const QString& image, int baudCode);
    // Starts the automatic transmission of listFile, the connection set to
    // baudCode first, on the connection's job thread, with the progress dialog
    // and its Cancel; the connect setup dialog keeps port and speed fixed
    // meanwhile. The message window names each file not sent, and a last line
    // says how many were. False, and nothing started, without a link or while a
    // job of the connection runs.
    bool AutoTransmissionJob(const QString& listFile, int baudCode);

    QString appImagePath;
    QString batchFilePath;
    // The modal dialog a command of this view is showing, or null.
    QPointer<QDialog> openDialog;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Shows dialog modally as openDialog; true for OK. False also when the view
    // went meanwhile, in which case the caller must return at once.
    bool ExecDialog(QDialog& dialog);
    // The file a download sends, chosen in the open-file dialog; empty when none.
    QString ChooseFile(const QString& suffix, const QString& filter);
    // The link a command of the GUI thread may use now: null (after 40005) while
    // a job of the connection runs or the port changes.
    TerminalLink* LinkForCommand();
    // Runs work on the connection's job thread with the progress dialog shown;
    // once it has ended, the dialog hides, the tree's job flag clears and finish
    // runs on the GUI thread (only while this view and its connection remain).
    // False, and nothing started, without a link or while a job runs (40005).
    bool StartJob(bool cancelVisible, std::function<void(TerminalLink&, JobHost&)> work,
                  std::function<void()> finish);
    void StartApplicationDownload(bool automatic);

    CKVVidiRidovedDoc& doc;
    std::unique_ptr<ProgressDialog> progress;
    CTerminalFileTree tree;
    bool treeCreated = false;
    bool shownOnce = false;
    bool reconnecting = false; // the job flag is the reconnect's, not a job's
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
