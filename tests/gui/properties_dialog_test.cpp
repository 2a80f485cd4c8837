// The properties dialog's texts for disks, folders and files.
#include "gui_test_support.h"
#include "pc/properties_dialog.h"

#include <QLabel>
#include <QLineEdit>

class PropertiesDialogTest : public QObject {
    Q_OBJECT

private slots:
    void showsTheValuesOfEachKind_data();
    void showsTheValuesOfEachKind();
};

void PropertiesDialogTest::showsTheValuesOfEachKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("freeSpace");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QStringList>("values"); // type, location, size, date
    const QStringList fileLabels{"Location:", "Size:", "Date:"};
    const QStringList diskLabels{"Used Space", "Free Space", "Capacity"};
    QTest::newRow("disk 100, free 40")
        << 0 << 100 << 40 << diskLabels
        << QStringList{"Local Disc", "60 bytes", "40 bytes", "100 bytes"};
    QTest::newRow("unformatted disk")
        << 0 << 100 << -1 << diskLabels
        << QStringList{"Local Disc", "UnFormat", "UnFormat", "UnFormat"};
    QTest::newRow("empty file") << 2 << 0 << 0 << fileLabels
                                << QStringList{"File", "C:\\DATA", "0 bytes", "2024/02/29"};
    QTest::newRow("folder") << 1 << 4096 << 0 << fileLabels
                            << QStringList{"File Folder", "C:\\DATA", "4096 bytes", "2024/02/29"};
    QTest::newRow("other kinds are files")
        << 7 << 12 << 0 << fileLabels << QStringList{"File", "C:\\DATA", "12 bytes", "2024/02/29"};
}

void PropertiesDialogTest::showsTheValuesOfEachKind()
{
    QFETCH(int, kind);
    QFETCH(int, size);
    QFETCH(int, freeSpace);
    QFETCH(QStringList, labels);
    QFETCH(QStringList, values);
    PropertiesDialog dialog;
    dialog.SetInfo(kind, "C:\\DATA", "ITEMS.TXT", size, freeSpace, 77, "2024/02/29");
    auto text = [&](const char* name) { return dialog.findChild<QLineEdit*>(name)->text(); };
    auto label = [&](const char* name) { return dialog.findChild<QLabel*>(name)->text(); };
    QCOMPARE(text("nameValue"), "ITEMS.TXT");
    QCOMPARE((QStringList{text("typeValue"), text("locationValue"), text("sizeValue"),
                          text("dateValue")}),
             values);
    QCOMPARE((QStringList{label("locationLabel"), label("sizeLabel"), label("dateLabel")}), labels);
    QVERIFY(dialog.findChild<QLineEdit*>("nameValue")->isReadOnly());
    QCOMPARE(dialog.spareValue(), 77);
}

KV_GUI_TEST_MAIN(PropertiesDialogTest)
#include "properties_dialog_test.moc"
