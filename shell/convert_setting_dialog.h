// convert_setting_dialog.h: the modal dialog that edits the conversion settings:
// separators, field counts and field widths of the source and converted layouts,
// and the fixed file name. It works on copies and stores them into the record
// only on a successful OK. GUI thread.
#pragma once

#include "convert/convert_settings.h"
#include "link/windows_1250.h"

#include <QDialog>
#include <QString>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

class ConvertSettingDialog : public QDialog {
    Q_OBJECT
public:
    // Field counts a side may have; width boxes take 0 to kMaxWidth.
    static constexpr int kMaxFieldCount = 30;
    static constexpr int kMaxWidth = 255;
    static constexpr int kRows = 3;

    // record is written on a successful OK only; not owned, outlives the dialog.
    explicit ConvertSettingDialog(ConvertSettings& record, QWidget* parent = nullptr);

public slots:
    // Checks the widths and the boxes; stores and closes, or shows why not and
    // stays open.
    void accept() override;

private:
    // The working copies and controls of one side, source or converted.
    struct Side {
        bool source = true;
        std::uint8_t separator = 0;
        int scroll = 0;
        std::vector<std::int32_t> widths;
        std::array<int, kRows> rows{};
        int count = 0;
        QComboBox* list = nullptr;
        QLabel* countLabel = nullptr;
        QLineEdit* countBox = nullptr;
        std::array<QLabel*, kRows> labels{};
        std::array<QLineEdit*, kRows> boxes{};
        QScrollBar* bar = nullptr;
    };

    QWidget* BuildSide(Side& side, const QString& title, const char* prefix);
    void Open();

    // Reads every box into the working copies in a fixed order. Stops at the
    // first box that does not hold an integer in its range: that box then holds
    // the focus and, when report is set, its message is shown.
    bool ReadBack(bool report);
    bool ReadNumber(QLineEdit* box, int& value, int low, int high, bool report);
    // Puts the working copies into every box without running the change reactions.
    void WriteBoxes();
    void Refresh(Side& side);

    void OnSeparatorChosen(Side& side, int index);
    void OnSeparatorTyped(Side& side, const QString& text);
    void OnRowChanged(Side& side, int row);
    void OnCountChanged(Side& side);
    void OnScroll(Side& side, int action);
    void OnFixedNameToggled();

    // One change reaction with those it sets off (a refresh writing a row box
    // runs that box's reaction): a failing box is reported once, by the first.
    struct Reaction {
        explicit Reaction(ConvertSettingDialog& d);
        ~Reaction();
        ConvertSettingDialog& dialog;
    };
    bool ReactionReadBack();

    ConvertSettings& record;
    // Separators and the fixed name are terminal text: shown and typed in this.
    const CodePageTable codePage;
    Side ori, conv;
    int fixedName = 0;
    QString fixedFileName;
    // The name as loaded: kept byte for byte unless the user edits it.
    std::string openedNameBytes;
    QString openedName;

    QCheckBox* fixedNameBox = nullptr;
    QLineEdit* fixedNameEdit = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
    bool writingBoxes = false;
    int reacting = 0;      // change reactions under way
    bool reported = false; // the outermost one has shown its message
};

// Opens the dialog modally on record. After OK, also writes record to iniPath
// at once (unless iniPath is empty), so that a later crash keeps what the user
// set; a file that cannot be written is left as it was, without a message (the
// exit tries again). True when the user pressed OK.
bool EditConvertSettings(ConvertSettings& record, const std::filesystem::path& iniPath,
                         QWidget* parent);
