// The connect setup dialog: its defaults, the enable rules, the empty choice and
// the refill on a device change.
#include "connection/connect_setup_dialog.h"
#include "gui_test_support.h"

#include <QComboBox>
#include <QPushButton>

class ConnectSetupDialogTest : public QObject {
    Q_OBJECT

private slots:
    void newConnectionOffersTheFirstPortAt115200();
    void speedListOnlyForSerialLines();
    void okStoresPortSpeedAndPosition();
    void transmissionLockFixesBothLists();
    void emptyChoiceAsksForAPortAndStaysOpen();
    void deviceChangeReselectsTheStoredPort();
    void cancelLeavesTheRecord();

private:
    QStringList ports{"SIM1", "SIM2", "COM3", "/dev/ttyUSB0"};
};

void ConnectSetupDialogTest::newConnectionOffersTheFirstPortAt115200()
{
    ConnectionSettings settings;
    ConnectSetupDialog dialog(settings, [this] { return ports; });
    auto* portList = dialog.findChild<QComboBox*>("portList");
    auto* baudList = dialog.findChild<QComboBox*>("baudList");
    QCOMPARE(portList->count(), 4);
    QCOMPARE(portList->currentText(), "SIM1");
    QCOMPARE(baudList->currentText(), "115200");
    QCOMPARE(baudList->count(), 6);
    QVERIFY(portList->isEnabled());
    QVERIFY(!baudList->isEnabled()); // SIM1 is no serial line
}

void ConnectSetupDialogTest::speedListOnlyForSerialLines()
{
    ConnectionSettings settings;
    settings.portName = "com3"; // found without regard to case
    settings.baudCode = 2;
    ConnectSetupDialog dialog(settings, [this] { return ports; });
    auto* portList = dialog.findChild<QComboBox*>("portList");
    auto* baudList = dialog.findChild<QComboBox*>("baudList");
    QCOMPARE(portList->currentText(), "COM3");
    QCOMPARE(baudList->currentText(), "9600");
    QVERIFY(baudList->isEnabled());
    portList->setCurrentIndex(1);
    QVERIFY(!baudList->isEnabled());
    portList->setCurrentIndex(3);
    QVERIFY(baudList->isEnabled());
}

void ConnectSetupDialogTest::okStoresPortSpeedAndPosition()
{
    ConnectionSettings settings;
    ConnectSetupDialog dialog(settings, [this] { return ports; });
    dialog.findChild<QComboBox*>("portList")->setCurrentIndex(1);
    dialog.show();
    QTest::mouseClick(dialog.findChild<QPushButton*>("okButton"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(settings.portName, "SIM2");
    QCOMPARE(settings.baudCode, 6); // the disabled speed list still gives its index + 1
    QCOMPARE(dialog.listPosition, 2);
}

void ConnectSetupDialogTest::transmissionLockFixesBothLists()
{
    ConnectionSettings settings;
    settings.portName = "COM3";
    settings.baudCode = 3;
    settings.transmissionLock = 1;
    ConnectSetupDialog dialog(settings, [this] { return ports; });
    QVERIFY(!dialog.findChild<QComboBox*>("portList")->isEnabled());
    QVERIFY(!dialog.findChild<QComboBox*>("baudList")->isEnabled());
    dialog.show();
    QTest::mouseClick(dialog.findChild<QPushButton*>("okButton"), Qt::LeftButton);
    QCOMPARE(settings.portName, "COM3");
    QCOMPARE(settings.baudCode, 3);
}

void ConnectSetupDialogTest::emptyChoiceAsksForAPortAndStaysOpen()
{
    RecordingPrompter prompter;
    ConnectionSettings settings;
    ConnectSetupDialog dialog(settings, [] { return QStringList(); });
    dialog.show();
    QTest::mouseClick(dialog.findChild<QPushButton*>("okButton"), Qt::LeftButton);
    QCOMPARE(prompter.shown, QStringList{"Please select a communication port."});
    QVERIFY(dialog.isVisible());
    QCOMPARE(settings.portName, QString());
}

void ConnectSetupDialogTest::deviceChangeReselectsTheStoredPort()
{
    ConnectionSettings settings;
    settings.portName = "COM3";
    QStringList now = ports;
    ConnectSetupDialog dialog(settings, [&now] { return now; });
    auto* portList = dialog.findChild<QComboBox*>("portList");
    portList->setCurrentIndex(0); // the user looks at SIM1
    now = {"SIM1", "SIM2", "/dev/ttyUSB1", "COM3"};
    dialog.OnDeviceChange();
    QCOMPARE(portList->count(), 4);
    QCOMPARE(portList->itemText(2), "/dev/ttyUSB1");
    QCOMPARE(portList->currentText(), "COM3");
    QVERIFY(dialog.findChild<QComboBox*>("baudList")->isEnabled());
}

void ConnectSetupDialogTest::cancelLeavesTheRecord()
{
    ConnectionSettings settings;
    settings.portName = "SIM2";
    settings.baudCode = 4;
    ConnectSetupDialog dialog(settings, [this] { return ports; });
    dialog.findChild<QComboBox*>("portList")->setCurrentIndex(2);
    dialog.show();
    QTest::mouseClick(dialog.findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(settings.portName, "SIM2");
    QCOMPARE(settings.baudCode, 4);
}

KV_GUI_TEST_MAIN(ConnectSetupDialogTest)
#include "connect_setup_dialog_test.moc"
