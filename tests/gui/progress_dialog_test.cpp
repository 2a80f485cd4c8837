// The progress dialog: what a tick shows, Cancel, Esc and the connection's end.
#include "gui_test_support.h"
#include "pc/progress_dialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

class ProgressDialogTest : public QObject {
    Q_OBJECT

private slots:
    void tickShowsTheFields();
    void emptyCountsShowZero();
    void cancelSetsTheFlagAndStays();
    void escapeDoesNothing();
    void theLinksEndClosesIt();
};

namespace {

QString Text(ProgressDialog& d, const char* name)
{
    return d.findChild<QLabel*>(name)->text();
}
int Bar(ProgressDialog& d, const char* name)
{
    return d.findChild<QProgressBar*>(name)->value();
}

} // namespace

void ProgressDialogTest::tickShowsTheFields()
{
    ProgressDialog dialog;
    TransferProgress& p = dialog.progress();
    p.SetTitle("Download File....");
    p.SetFileText("C:\\\\...\\\\Week 12\\Stock.txt");
    p.byteTotal = 3000;
    p.bytesDone = 1000;
    p.totalFiles = 3;
    p.finishedFiles = 2;
    dialog.SetCancelVisible(false);
    dialog.show();
    // Shown, it holds the values at once, not its layout's sample texts.
    QCOMPARE(dialog.windowTitle(), QString("Download File...."));
    QCOMPARE(Text(dialog, "fileText"), QString("C:\\\\...\\\\Week 12\\Stock.txt"));
    QCOMPARE(Text(dialog, "totalFiles"), QString("Total Files: 003"));
    QCOMPARE(Text(dialog, "finishedFiles"), QString("Finish Files: 002"));
    QCOMPARE(Bar(dialog, "fileBar"), 33);
    QCOMPARE(Text(dialog, "filePercent"), QString("33%"));
    QCOMPARE(Bar(dialog, "jobBar"), 66);
    QCOMPARE(Text(dialog, "jobPercent"), QString("66%"));
    QVERIFY(!dialog.findChild<QPushButton*>("cancelButton")->isVisible());
    // Then the timer picks changes up within its period.
    p.finishedFiles = 3;
    QTRY_COMPARE_WITH_TIMEOUT(Text(dialog, "finishedFiles"), QString("Finish Files: 003"), 2000);
}

void ProgressDialogTest::emptyCountsShowZero()
{
    ProgressDialog dialog;
    dialog.Refresh();
    QCOMPARE(Bar(dialog, "fileBar"), 0);
    QCOMPARE(Text(dialog, "filePercent"), QString("0%"));
    QCOMPARE(Bar(dialog, "jobBar"), 0);
    QCOMPARE(Text(dialog, "jobPercent"), QString("0%"));
}

void ProgressDialogTest::cancelSetsTheFlagAndStays()
{
    ProgressDialog dialog;
    std::atomic<int> cancel{0};
    dialog.SetCancelFlag(&cancel);
    dialog.show();
    dialog.Refresh();
    QTest::mouseClick(dialog.findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
    QCOMPARE(cancel.load(), 1);
    QVERIFY2(dialog.isVisible(), "the job hides it when it has stopped");
}

void ProgressDialogTest::escapeDoesNothing()
{
    ProgressDialog dialog;
    std::atomic<int> cancel{0};
    dialog.SetCancelFlag(&cancel);
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isVisible());
    QCOMPARE(cancel.load(), 0);
    dialog.close();
    QVERIFY2(dialog.isVisible(), "no close but the connection's");
}

void ProgressDialogTest::theLinksEndClosesIt()
{
    ProgressDialog dialog;
    dialog.show();
    dialog.progress().closeRequested = true; // what a link does when it goes
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 2000);
}

KV_GUI_TEST_MAIN(ProgressDialogTest)
#include "progress_dialog_test.moc"
