// progress_dialog.h: the "Process" window of one connection. The link and the
// jobs write its TransferProgress from their threads; the dialog reads it on a
// 500 ms timer while it is shown. Cancel sets the link's cancel flag and the
// dialog stays until the job hides it; Esc does nothing. GUI thread only, except
// progress(), whose fields any thread may write.
#pragma once

#include "link/transfer_progress.h"

#include <QDialog>
#include <QTimer>

#include <atomic>

class QLabel;
class QProgressBar;
class QPushButton;

class ProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit ProgressDialog(QWidget* parent = nullptr);

    // What the link and the jobs write: title, fileText, byte and file counts.
    TransferProgress& progress() { return fields; }
    // The flag the Cancel button sets (the connection's link's cancel); may be null.
    void SetCancelFlag(std::atomic<int>* flag) { cancelFlag = flag; }
    // Any thread: whether the next tick shows the Cancel button.
    void SetCancelVisible(bool visible) { cancelVisible = visible; }
    // One timer tick: every field onto the window.
    void Refresh();

    static constexpr int kRefreshMilliseconds = 500;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override; // Esc: ignored
    void accept() override; // the Cancel button (the dialog's OK command)

private:
    TransferProgress fields;
    std::atomic<int>* cancelFlag = nullptr;
    std::atomic<bool> cancelVisible{true};
    QTimer timer;
    QLabel* fileLabel;
    QProgressBar* fileBar;
    QLabel* filePercent;
    QLabel* totalLabel;
    QLabel* finishedLabel;
    QProgressBar* jobBar;
    QLabel* jobPercent;
    QPushButton* cancelButton;
};
