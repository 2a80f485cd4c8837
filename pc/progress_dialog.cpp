#include "pc/progress_dialog.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

int Percent(std::uint64_t part, std::uint64_t whole)
{
    return whole == 0 ? 0 : static_cast<int>(std::min<std::uint64_t>(part * 100 / whole, 100));
}

QProgressBar* Bar(QWidget* parent, const char* name)
{
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

QLabel* Label(const QString& text, QWidget* parent, const char* name)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

} // namespace

ProgressDialog::ProgressDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ProgressDialog"));
    setWindowTitle(tr("Process"));
    // No close box: the dialog goes when its job ends or its connection closes.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    auto* fileBox = new QGroupBox(this);
    fileLabel = Label(QStringLiteral("C:\\Data\\Data.dat"), fileBox, "fileText");
    fileLabel->setMinimumHeight(2 * fontMetrics().height());
    fileLabel->setWordWrap(true);
    fileBar = Bar(fileBox, "fileBar");
    filePercent = Label(QStringLiteral("100%"), fileBox, "filePercent");
    auto* fileGrid = new QGridLayout(fileBox);
    fileGrid->addWidget(fileLabel, 0, 0, 1, 2);
    fileGrid->addWidget(fileBar, 1, 0);
    fileGrid->addWidget(filePercent, 1, 1);

    auto* jobBox = new QGroupBox(this);
    totalLabel = Label(tr("Total Files:"), jobBox, "totalFiles");
    finishedLabel = Label(tr("Finish Files:"), jobBox, "finishedFiles");
    jobBar = Bar(jobBox, "jobBar");
    jobPercent = Label(QStringLiteral("100%"), jobBox, "jobPercent");
    auto* jobGrid = new QGridLayout(jobBox);
    jobGrid->addWidget(totalLabel, 0, 0);
    jobGrid->addWidget(finishedLabel, 0, 1);
    jobGrid->addWidget(jobBar, 1, 0);
    jobGrid->addWidget(jobPercent, 1, 1);

    cancelButton = new QPushButton(tr("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setDefault(true);
    connect(cancelButton, &QPushButton::clicked, this, &ProgressDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fileBox);
    layout->addWidget(jobBox);
    layout->addWidget(cancelButton, 0, Qt::AlignHCenter);

    timer.setInterval(kRefreshMilliseconds);
    connect(&timer, &QTimer::timeout, this, &ProgressDialog::Refresh);
}

void ProgressDialog::Refresh()
{
    // The connection's link went away: the dialog ends with it.
    if (fields.closeRequested.exchange(false)) {
        timer.stop();
        done(QDialog::Rejected);
        return;
    }
    setWindowTitle(QString::fromStdString(fields.Title()));
    fileLabel->setText(QString::fromStdString(fields.FileText()));
    // These formats exist in English only.
    totalLabel->setText(QString::asprintf("Total Files: %03d", fields.totalFiles.load()));
    finishedLabel->setText(QString::asprintf("Finish Files: %03d", fields.finishedFiles.load()));
    const int file = Percent(fields.bytesDone.load(), fields.byteTotal.load());
    fileBar->setValue(file);
    filePercent->setText(QString::asprintf("%d%%", file));
    const int total = fields.totalFiles.load();
    const int job = total <= 0 ? 0 : Percent(std::max(0, fields.finishedFiles.load()), total);
    jobBar->setValue(job);
    jobPercent->setText(QString::asprintf("%d%%", job));
    cancelButton->setVisible(cancelVisible.load());
}

void ProgressDialog::showEvent(QShowEvent* event)
{
    // The job's values from the first moment, never the layout's sample texts.
    Refresh();
    QDialog::showEvent(event);
    timer.start();
}

void ProgressDialog::hideEvent(QHideEvent* event)
{
    timer.stop();
    QDialog::hideEvent(event);
}

void ProgressDialog::closeEvent(QCloseEvent* event)
{
    // Only the connection's end closes the dialog (Refresh sees it).
    if (!fields.closeRequested.load())
        event->ignore();
}

void ProgressDialog::reject() {}

void ProgressDialog::accept()
{
    if (cancelFlag)
        cancelFlag->store(1);
}
