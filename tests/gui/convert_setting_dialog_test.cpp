// The convert setting dialog driven through its widgets: separators chosen and
// typed, the field rows and their scroll bars, the count boxes, the checks on OK,
// separators outside the list, the fixed name, both languages, and the way from
// Setup > Convert Setting to Convert.ini and the conversion.
#include "convert/record_conversion.h"
#include "gui/ui_language.h"
#include "gui_test_support.h"
#include "shell/convert_setting_dialog.h"
#include "shell/kv_vidi_ridoved_app.h"
#include "shell/main_frame.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <functional>
#include <memory>

using Widths = std::vector<std::int32_t>;
Q_DECLARE_METATYPE(ConvertSettings)
Q_DECLARE_METATYPE(Widths)

namespace {

ConvertSettings Record(std::uint8_t oriSeparator, int oriCount, Widths oriWidths,
                       std::uint8_t convSeparator, std::uint32_t convCount, Widths convWidths)
{
    ConvertSettings r;
    r.OriSeparator = oriSeparator;
    r.OriFieldCount = oriCount;
    r.OriFieldLen = std::move(oriWidths);
    r.ConvSeparator = convSeparator;
    r.ConvertField = convCount;
    r.ConvFieldLen = std::move(convWidths);
    return r;
}

// The dialog open on its own record, shown, with a prompter that records messages.
class OpenDialog {
public:
    explicit OpenDialog(const ConvertSettings& r) : record(r), opened(r)
    {
        dialog = std::make_unique<ConvertSettingDialog>(record);
        dialog->show();
        dialog->activateWindow();
        if (!QTest::qWaitForWindowActive(dialog.get()))
            qWarning("the dialog did not become active");
    }

    template <typename T = QWidget> T* Get(const char* name) const
    {
        T* w = dialog->findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qFatal("no widget %s", name);
        return w;
    }
    bool Shown(const char* name) const { return Get(name)->isVisibleTo(dialog.get()); }
    // What a user choosing an entry in a separator list sets off.
    void Choose(const char* list, const QString& entry) const
    {
        auto* combo = Get<QComboBox>(list);
        const int i = combo->findText(entry);
        combo->setCurrentIndex(i);
        emit combo->activated(i);
    }
    // The box, or the edit field of a list.
    QLineEdit* Field(const char* name) const
    {
        if (auto* list = qobject_cast<QComboBox*>(Get(name)))
            return list->lineEdit();
        return Get<QLineEdit>(name);
    }
    // Selects all of a field and types text key by key (Backspace for "").
    void Type(const char* name, const QString& text) const
    {
        QLineEdit* edit = Field(name);
        edit->setFocus();
        edit->selectAll();
        if (text.isEmpty())
            QTest::keyClick(edit, Qt::Key_Backspace);
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    // Selects all of a field and pastes text over it: one change.
    void Paste(const char* name, const QString& text) const
    {
        QLineEdit* edit = Field(name);
        edit->setFocus();
        edit->selectAll();
        edit->insert(text);
    }
    void PressOk() const { QTest::mouseClick(Get<QPushButton>("okButton"), Qt::LeftButton); }
    // The texts of the shown rows of a side: "FieldLabel" the labels, "Field" the boxes.
    QStringList Rows(const QByteArray& side, const char* kind) const
    {
        QStringList texts;
        for (int row = 1; row <= 3; ++row) {
            const QByteArray name = side + kind + QByteArray::number(row);
            if (Shown(name.constData()))
                texts << Get(name.constData())->property("text").toString();
        }
        return texts;
    }

    RecordingPrompter prompter;
    ConvertSettings record;
    const ConvertSettings opened;
    std::unique_ptr<ConvertSettingDialog> dialog;
};

const QString kRangeCounts = QStringLiteral("Please enter an integer between 0 and 30.");
const QString kRangeWidths = QStringLiteral("Please enter an integer between 0 and 255.");
const QString kNotInteger = QStringLiteral("Please enter an integer.");

} // namespace

class ConvertSettingDialogTest : public QObject {
    Q_OBJECT

private slots:
    void separatorChoiceShowsTheFixedWidthControls_data();
    void separatorChoiceShowsTheFixedWidthControls();
    void typingKeepsTheFirstCharacter_data();
    void typingKeepsTheFirstCharacter();
    void scrollingMovesTheRowsOverTheWidths();
    void countBoxCutsOrFillsTheWidths_data();
    void countBoxCutsOrFillsTheWidths();
    void okRefusesZeroWidthsAndBadBoxesAndStoresNothing_data();
    void okRefusesZeroWidthsAndBadBoxesAndStoresNothing();
    void cancelStoresNothing();
    void openingSelectsTheSeparatorOrAddsIt_data();
    void openingSelectsTheSeparatorOrAddsIt();
    void fixedNameBoxFollowsTheCheckAndKeepsTheBytes();
    void fixedNameIsInTheTerminalCodePage_data();
    void fixedNameIsInTheTerminalCodePage();
    void polishTexts();
    void okFromTheMenuReachesConvertIniAndTheConversion();
};

void ConvertSettingDialogTest::separatorChoiceShowsTheFixedWidthControls_data()
{
    QTest::addColumn<QByteArray>("side");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<bool>("countShown");
    QTest::addColumn<bool>("barShown");
    const QStringList none;
    // The source side has 2 fields, the converted side 5.
    QTest::newRow("source Length")
        << QByteArray("ori") << "Length" << QStringList{"Field 1", "Field 2"} << true << false;
    QTest::newRow("source comma") << QByteArray("ori") << "," << none << false << false;
    QTest::newRow("source Tab") << QByteArray("ori") << "Tab" << none << false << false;
    QTest::newRow("converted Length")
        << QByteArray("conv") << "Length" << QStringList{"Field 1", "Field 2", "Field 3"} << true
        << true;
    QTest::newRow("converted Space") << QByteArray("conv") << "Space" << none << true << false;
}

void ConvertSettingDialogTest::separatorChoiceShowsTheFixedWidthControls()
{
    QFETCH(QByteArray, side);
    QFETCH(QString, entry);
    QFETCH(QStringList, rows);
    QFETCH(bool, countShown);
    QFETCH(bool, barShown);
    // Start from the other kind of separator, so that the choice has to change things.
    const std::uint8_t start = entry == "Length" ? ';' : 0;
    OpenDialog d(Record(start, 2, {4, 6}, start, 5, {1, 2, 3, 4, 5}));
    d.Choose(side + "Separator", entry);
    QCOMPARE(d.Rows(side, "FieldLabel"), rows);
    QCOMPARE(d.Shown(side + "FieldCount"), countShown);
    QCOMPARE(d.Shown(side + "CountLabel"), countShown);
    QCOMPARE(d.Shown(side + "ScrollBar"), barShown);
    d.PressOk();
    QVERIFY(d.prompter.shown.isEmpty());
    const std::uint8_t code = entry == "Length"  ? 0
                              : entry == "Tab"   ? 9
                              : entry == "Space" ? 32
                                                 : ',';
    QCOMPARE(side == "ori" ? d.record.OriSeparator : d.record.ConvSeparator, code);
}

void ConvertSettingDialogTest::typingKeepsTheFirstCharacter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("rowsShown");
    QTest::newRow("two letters") << "ab"
                                 << "a" << 97 << false;
    QTest::newRow("emptied: fixed width") << ""
                                          << "" << 0 << true;
    // Mended: a Polish letter became "?", a Latin-1 one its Latin-1 byte.
    QTest::newRow("code-page letter")
        << QString::fromUtf8("ł") << QString::fromUtf8("ł") << 0xB3 << false;
    QTest::newRow("outside the code page") << QString::fromUtf8("ñ") << "?" << int('?') << false;
}

void ConvertSettingDialogTest::typingKeepsTheFirstCharacter()
{
    QFETCH(QString, typed);
    QFETCH(QString, field);
    QFETCH(int, code);
    QFETCH(bool, rowsShown);
    OpenDialog d(Record(',', 2, {4, 6}, ',', 0, {}));
    auto* list = d.Get<QComboBox>("oriSeparator");
    d.Type("oriSeparator", typed);
    QCOMPARE(list->currentText(), field);
    QCOMPARE(d.Shown("oriFieldCount"), rowsShown);
    QCOMPARE(d.Shown("oriFieldLabel2"), rowsShown);
    QCOMPARE(list->count(), 9); // typing adds nothing to the list
    d.PressOk();
    QCOMPARE(int(d.record.OriSeparator), code);
    QCOMPARE(d.record.OriFieldLen, (Widths{4, 6}));
}

void ConvertSettingDialogTest::scrollingMovesTheRowsOverTheWidths()
{
    OpenDialog d(Record(0, 5, {1, 2, 3, 4, 5}, ',', 0, {}));
    auto* bar = d.Get<QScrollBar>("oriScrollBar");
    QVERIFY(d.Shown("oriScrollBar"));
    QCOMPARE(bar->maximum(), 2);

    struct Step {
        Qt::Key key;
        int first; // the field shown in the first row afterwards
    };
    // Page down, then line down at the end, line up, page up past the start, End.
    const Step steps[] = {{Qt::Key_PageDown, 3}, {Qt::Key_Down, 3}, {Qt::Key_Up, 2},
                          {Qt::Key_PageUp, 1},   {Qt::Key_Down, 2}, {Qt::Key_End, 2}};
    for (const Step& step : steps) {
        QTest::keyClick(bar, step.key);
        const int f = step.first;
        QCOMPARE(d.Rows("ori", "FieldLabel"), (QStringList{QStringLiteral("Field %1").arg(f),
                                                           QStringLiteral("Field %1").arg(f + 1),
                                                           QStringLiteral("Field %1").arg(f + 2)}));
        QCOMPARE(d.Rows("ori", "Field"),
                 (QStringList{QString::number(f), QString::number(f + 1), QString::number(f + 2)}));
        QCOMPARE(bar->value(), f - 1);
    }

    // A row box writes the width of the field it shows.
    d.Type("oriField2", "9");
    QTest::keyClick(bar, Qt::Key_PageDown);
    QCOMPARE(d.Rows("ori", "Field"), (QStringList{"9", "4", "5"}));
    d.Type("oriField3", "7");
    d.PressOk();
    QVERIFY(d.prompter.shown.isEmpty());
    QCOMPARE(d.record.OriFieldLen, (Widths{1, 2, 9, 4, 7}));
}

void ConvertSettingDialogTest::countBoxCutsOrFillsTheWidths_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message"); // on typing
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<bool>("barShown");
    QTest::addColumn<QString>("okMessage"); // empty: OK stores; else a count of 6 then does
    QTest::addColumn<Widths>("stored");
    const QStringList three{"Field 4", "Field 5", "Field 6"}; // scrolled down a page
    const Widths six{1, 2, 3, 4, 5, 6};
    QTest::newRow("lowered 6 to 2")
        << "2"
        << "" << QStringList{"Field 1", "Field 2"} << false << "" << Widths{1, 2};
    QTest::newRow("raised to 8") << "8"
                                 << "" << three << true << "The convert field 7 length is invalid"
                                 << six;
    QTest::newRow("31 refused") << "31" << kRangeCounts << three << true << kRangeCounts << six;
    QTest::newRow("not a number") << "x" << kNotInteger << three << true << kNotInteger << six;
    QTest::newRow("emptied") << "" << kNotInteger << three << true << kNotInteger << six;
}

void ConvertSettingDialogTest::countBoxCutsOrFillsTheWidths()
{
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QStringList, rows);
    QFETCH(bool, barShown);
    QFETCH(QString, okMessage);
    QFETCH(Widths, stored);
    OpenDialog d(Record(',', 0, {}, 0, 6, {1, 2, 3, 4, 5, 6}));
    QTest::keyClick(d.Get("convScrollBar"), Qt::Key_PageDown);
    d.Paste("convFieldCount", typed);
    QCOMPARE(d.prompter.shown, message.isEmpty() ? QStringList{} : QStringList{message});
    QCOMPARE(d.Rows("conv", "FieldLabel"), rows);
    QCOMPARE(d.Shown("convScrollBar"), barShown);

    d.prompter.shown.clear();
    d.PressOk();
    if (!okMessage.isEmpty()) {
        QCOMPARE(d.prompter.shown, QStringList{okMessage});
        QVERIFY(d.dialog->isVisible());
        QCOMPARE(d.record, d.opened);
        if (!message.isEmpty()) // the failing box, not OK, has the focus
            QCOMPARE(QApplication::focusWidget(), d.Get("convFieldCount"));
        // The widths are as before the refused count.
        d.prompter.shown.clear();
        d.Paste("convFieldCount", "6");
        d.PressOk();
    }
    QVERIFY(d.prompter.shown.isEmpty());
    QCOMPARE(d.dialog->result(), int(QDialog::Accepted));
    QCOMPARE(d.record.ConvertField, std::uint32_t(stored.size()));
    QCOMPARE(d.record.ConvFieldLen, stored);
}

void ConvertSettingDialogTest::okRefusesZeroWidthsAndBadBoxesAndStoresNothing_data()
{
    QTest::addColumn<ConvertSettings>("record");
    QTest::addColumn<QByteArray>("box"); // typed into before OK, when set
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::newRow("source width 0 in field 2")
        << Record(0, 3, {4, 0, 5}, ',', 0, {}) << QByteArray() << ""
        << "The source field 2 length is invalid";
    QTest::newRow("converted width 0 in field 3")
        << Record(',', 0, {}, 0, 3, {1, 2, 0}) << QByteArray() << ""
        << "The convert field 3 length is invalid";
    QTest::newRow("a negative width from the file")
        << Record(0, 1, {-4}, ',', 0, {}) << QByteArray() << ""
        << "The source field 1 length is invalid";
    QTest::newRow("zero widths of a delimited side are not checked")
        << Record(',', 1, {0}, ';', 1, {0}) << QByteArray() << ""
        << "";
    QTest::newRow("width above 255 refused")
        << Record(0, 2, {4, 5}, ',', 0, {}) << QByteArray("oriField2") << "256" << kRangeWidths;
    QTest::newRow("source count above 30 in the file")
        << Record(',', 40, {}, ',', 0, {}) << QByteArray() << "" << kRangeCounts;
}

void ConvertSettingDialogTest::okRefusesZeroWidthsAndBadBoxesAndStoresNothing()
{
    QFETCH(ConvertSettings, record);
    QFETCH(QByteArray, box);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    OpenDialog d(record);
    if (!box.isEmpty()) {
        d.Paste(box.constData(), typed);
        d.prompter.shown.clear();
    }
    d.PressOk();
    if (message.isEmpty()) {
        QVERIFY(d.prompter.shown.isEmpty());
        QCOMPARE(d.dialog->result(), int(QDialog::Accepted));
        return;
    }
    QCOMPARE(d.prompter.shown, QStringList{message});
    QVERIFY(d.dialog->isVisible());
    QCOMPARE(d.record, d.opened);
    if (message == kRangeWidths) {
        // The refused width never reached the list: a refresh shows the width before.
        d.Choose("oriSeparator", ",");
        d.Choose("oriSeparator", "Length");
        QCOMPARE(d.Rows("ori", "Field"), (QStringList{"4", "5"}));
    }
}

void ConvertSettingDialogTest::cancelStoresNothing()
{
    OpenDialog d(Record(0, 2, {4, 5}, ',', 1, {}));
    d.Type("oriField1", "8");
    d.Type("oriFieldCount", "3");
    d.Choose("convSeparator", "Length");
    d.Get<QCheckBox>("fixedName")->click();
    QTest::mouseClick(d.Get<QPushButton>("cancelButton"), Qt::LeftButton);
    QCOMPARE(d.dialog->result(), int(QDialog::Rejected));
    QCOMPARE(d.record, d.opened);
}

void ConvertSettingDialogTest::openingSelectsTheSeparatorOrAddsIt_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("entries");
    QTest::newRow("fixed width") << 0 << "Length" << 9;
    QTest::newRow("tab") << 9 << "Tab" << 9;
    QTest::newRow("number sign added") << 35 << "#" << 10;
    QTest::newRow("letter L is not Length") << int('L') << "L" << 10;
    QTest::newRow("code-page byte") << 0xA3 << QString::fromUtf8("Ł") << 10;
}

void ConvertSettingDialogTest::openingSelectsTheSeparatorOrAddsIt()
{
    QFETCH(int, code);
    QFETCH(QString, shown);
    QFETCH(int, entries);
    const auto c = static_cast<std::uint8_t>(code);
    OpenDialog d(Record(c, 1, {3}, c, 1, {3}));
    for (const char* list : {"oriSeparator", "convSeparator"}) {
        auto* combo = d.Get<QComboBox>(list);
        QCOMPARE(combo->count(), entries);
        QCOMPARE(combo->currentText(), shown);
        QCOMPARE(combo->currentIndex(), shown == "Length" ? 0 : combo->findText(shown));
    }
    QCOMPARE(d.Shown("oriFieldLabel1"), code == 0);
    d.PressOk();
    QVERIFY(d.prompter.shown.isEmpty());
    QCOMPARE(d.record, d.opened);
}

void ConvertSettingDialogTest::fixedNameBoxFollowsTheCheckAndKeepsTheBytes()
{
    ConvertSettings r = Record(',', 0, {}, ',', 0, {});
    r.OriFixedFileName = "DANE\xb3.TXT"; // a byte of the terminal's code page
    OpenDialog d(r);
    auto* edit = d.Get<QLineEdit>("fixedFileName");
    QVERIFY(!edit->isEnabled());
    d.Get<QCheckBox>("fixedName")->click();
    QVERIFY(edit->isEnabled());
    d.PressOk();
    QCOMPARE(d.record.OriFixedName, 1);
    QCOMPARE(d.record.OriFixedFileName, r.OriFixedFileName); // untouched: the same bytes
}

void ConvertSettingDialogTest::fixedNameIsInTheTerminalCodePage_data()
{
    // Mended: the name was shown and stored as UTF-8 ("ZAM?W.TXT").
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("typed"); // empty: left as shown
    QTest::addColumn<QByteArray>("saved");
    const QByteArray zamow("ZAM\xD3W.TXT");
    QTest::newRow("shown decoded") << zamow << QString::fromUtf8("ZAMÓW.TXT") << "" << zamow;
    QTest::newRow("edited, letters kept")
        << zamow << QString::fromUtf8("ZAMÓW.TXT") << QString::fromUtf8("ZAMÓW2.TXT")
        << QByteArray("ZAM\xD3W2.TXT");
    QTest::newRow("Polish letters typed") << QByteArray() << "" << QString::fromUtf8("ŁÓDŹ.TXT")
                                          << QByteArray("\xA3\xD3"
                                                        "D\x8F.TXT");
    QTest::newRow("outside the code page")
        << QByteArray() << "" << QString::fromUtf8("Ñ.TXT") << QByteArray("?.TXT");
}

void ConvertSettingDialogTest::fixedNameIsInTheTerminalCodePage()
{
    QFETCH(QByteArray, stored);
    QFETCH(QString, shown);
    QFETCH(QString, typed);
    QFETCH(QByteArray, saved);
    ConvertSettings r = Record(',', 0, {}, ',', 0, {});
    r.OriFixedName = 1;
    r.OriFixedFileName = stored.toStdString();
    OpenDialog d(r);
    QCOMPARE(d.Get<QLineEdit>("fixedFileName")->text(), shown);
    if (!typed.isEmpty())
        d.Paste("fixedFileName", typed);
    d.PressOk();
    QCOMPARE(QByteArray::fromStdString(d.record.OriFixedFileName), saved);
}

void ConvertSettingDialogTest::polishTexts()
{
    InstallUiLanguage(*qApp, Language::Polish);
    {
        OpenDialog d(Record(0, 1, {0}, ',', 0, {}));
        QCOMPARE(d.dialog->windowTitle(), "Konwerter bazy");
        QCOMPARE(d.Get<QWidget>("oriGroup")->property("title").toString(), "Źródłowy");
        QCOMPARE(d.Rows("ori", "FieldLabel"), QStringList{"Pole 1"});
        d.PressOk();
        d.Paste("convFieldCount", "31");
        QCOMPARE(d.prompter.shown,
                 (QStringList{"Długość pola zródłowego 1 jest nieprawidłowa",
                              "Wprowadź liczbę całkowitą z zakresu od 0 do 30."}));
    }
    ResetUiLanguage(*qApp);
    InstallUiLanguage(*qApp, Language::English);
}

void ConvertSettingDialogTest::okFromTheMenuReachesConvertIniAndTheConversion()
{
    TestDir dir;
    RecordingPrompter prompter;
    CKVVidiRidovedApp app;
    app.convertIniPath = dir / "Convert.ini";
    app.instanceServerName = QString::fromStdString((dir / "VidiRidovedClass").string());
    CMainFrame& frame = app.CreateMainFrame();
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));

    bool answered = false;
    WhenModal<ConvertSettingDialog>([&answered](ConvertSettingDialog* dialog) {
        auto type = [dialog](const char* name, const QString& text) {
            auto* edit = dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
            edit->selectAll();
            QTest::keyClicks(edit, text);
        };
        auto* list = dialog->findChild<QComboBox*>("convSeparator");
        list->setCurrentIndex(0); // "Length"
        emit list->activated(0);
        type("convFieldCount", "2");
        type("convField1", "3");
        type("convField2", "2");
        QTest::mouseClick(dialog->findChild<QPushButton*>("okButton"), Qt::LeftButton);
        answered = true;
    });
    frame.action(Command::ConvertSetting)->trigger();
    QVERIFY(answered);
    QVERIFY(prompter.shown.isEmpty());

    // Written at once, not only at exit.
    QCOMPARE(TestDir::ReadFile(app.convertIniPath), std::string("[Convert Setting]\r\n"
                                                                "OriSeparator=2c\r\n"
                                                                "OriFieldCount=0\r\n"
                                                                "ConvSeparator=0\r\n"
                                                                "ConvertField=2\r\n"
                                                                "OriFixedName=0\r\n"
                                                                "OriFixedFileName=\r\n"
                                                                "OriFieldLen=\r\n"
                                                                "ConvFieldLen=3,2,\r\n"));

    // The next kvctl convert reads that file; the next copy in Convert mode uses
    // the application's record. Both give the fixed-width layout.
    ConvertSettings fromDisk;
    QVERIFY(LoadConvertSettings(app.convertIniPath, fromDisk));
    QCOMPARE(fromDisk, app.Settings);
    TestDir::WriteFile(dir / "data.txt", "abcd,x\r\na\r\n");
    for (const ConvertSettings* settings : {&fromDisk, &app.Settings}) {
        const auto converted = ConvertFile(dir / "data.txt", *settings);
        QVERIFY(!converted.empty());
        QCOMPARE(TestDir::ReadFile(converted), std::string("abcx \r\na    \r\n"));
    }
    app.DestroyMainFrame();
}

KV_GUI_TEST_MAIN(ConvertSettingDialogTest)
#include "convert_setting_dialog_test.moc"
