#include "shell/convert_setting_dialog.h"

#include "gui/modal_box.h"
#include "gui/prompter.h"
#include "gui/ui_language.h"
#include "terminal/code_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace {

// The first three list entries stand for these codes; the others for their own
// character.
constexpr int kLengthEntry = 0, kTabEntry = 1, kSpaceEntry = 2;
constexpr std::uint8_t kTab = 9, kSpace = 32;
constexpr int kPageRows = 3;

// Separators are single bytes of the terminal's code page; a character the code
// page lacks becomes "?". A byte the code page leaves without a character shows
// as the character of the same number and reads back as that byte.
std::uint8_t CodeOf(QChar c, const CodePageTable& codePage)
{
    const char16_t u = c.unicode();
    if (u >= 0x80 && u <= 0xFF && codePage[u - 0x80] == 0)
        return static_cast<std::uint8_t>(u);
    return static_cast<std::uint8_t>(EncodeTerminalName(QString(c), codePage).front());
}

QString TextOf(std::uint8_t code, const CodePageTable& codePage)
{
    const char32_t c = code < 0x80 || codePage[code - 0x80] == 0 ? code : codePage[code - 0x80];
    return QString(QChar(static_cast<char16_t>(c)));
}

QString FieldLabel(int number)
{
    return QString::fromStdString(FormatMessage(MessageId::FieldLabel, number, UiLanguage()));
}

void KeepPlaceWhenHidden(QWidget* w)
{
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    w->setSizePolicy(policy);
}

int HighestScroll(int count)
{
    return std::max(0, count - ConvertSettingDialog::kRows);
}

} // namespace

ConvertSettingDialog::ConvertSettingDialog(ConvertSettings& r, QWidget* parent)
    : QDialog(parent), record(r), codePage(TerminalCodePage())
{
    setObjectName(QStringLiteral("ConvertSettingDialog"));
    setWindowTitle(tr("DBMS File Convert"));
    ori.source = true;
    conv.source = false;

    auto* sides = new QHBoxLayout;
    sides->addWidget(BuildSide(ori, tr("Original"), "ori"));
    sides->addWidget(BuildSide(conv, tr("Converted"), "conv"));

    fixedNameBox = new QCheckBox(tr("Fixed Name:"), this);
    fixedNameBox->setObjectName(QStringLiteral("fixedName"));
    fixedNameEdit = new QLineEdit(this);
    fixedNameEdit->setObjectName(QStringLiteral("fixedFileName"));
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(fixedNameBox);
    nameRow->addWidget(fixedNameEdit, 1);

    auto* buttons = new QDialogButtonBox(this);
    okButton = buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
    cancelButton = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    okButton->setObjectName(QStringLiteral("okButton"));
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    okButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &ConvertSettingDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(sides);
    layout->addLayout(nameRow);
    layout->addWidget(buttons);

    Open();

    for (Side* side : {&ori, &conv}) {
        Side& s = *side;
        connect(s.list, &QComboBox::activated, this,
                [this, &s](int i) { OnSeparatorChosen(s, i); });
        connect(s.list->lineEdit(), &QLineEdit::textEdited, this,
                [this, &s](const QString& text) { OnSeparatorTyped(s, text); });
        connect(s.countBox, &QLineEdit::textChanged, this, [this, &s] { OnCountChanged(s); });
        for (int row = 0; row < kRows; ++row)
            connect(s.boxes[row], &QLineEdit::textChanged, this,
                    [this, &s, row] { OnRowChanged(s, row); });
        connect(s.bar, &QScrollBar::actionTriggered, this,
                [this, &s](int action) { OnScroll(s, action); });
    }
    connect(fixedNameBox, &QCheckBox::toggled, this, [this] { OnFixedNameToggled(); });
}

QWidget* ConvertSettingDialog::BuildSide(Side& side, const QString& title, const char* prefix)
{
    const QString name = QString::fromLatin1(prefix);
    auto* group = new QGroupBox(title, this);
    group->setObjectName(name + QStringLiteral("Group"));

    side.list = new QComboBox(group);
    side.list->setObjectName(name + QStringLiteral("Separator"));
    side.list->setEditable(true);
    side.list->setInsertPolicy(QComboBox::NoInsert);
    side.list->setCompleter(nullptr); // a typed letter must not grow into "Tab" or "Space"
    side.list->addItems({tr("Length"), tr("Tab"), tr("Space"), QStringLiteral(","),
                         QStringLiteral(";"), QStringLiteral("/"), QStringLiteral("="),
                         QStringLiteral(":"), QStringLiteral("?")});

    side.countLabel = new QLabel(tr("Field Count:"), group);
    side.countLabel->setObjectName(name + QStringLiteral("CountLabel"));
    side.countBox = new QLineEdit(group);
    side.countBox->setObjectName(name + QStringLiteral("FieldCount"));
    KeepPlaceWhenHidden(side.countLabel);
    KeepPlaceWhenHidden(side.countBox);

    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(tr("Delimiter:"), group), 0, 0);
    grid->addWidget(side.list, 0, 1, 1, 2);
    grid->addWidget(side.countLabel, 1, 0);
    grid->addWidget(side.countBox, 1, 1);
    for (int row = 0; row < kRows; ++row) {
        side.labels[row] = new QLabel(FieldLabel(row + 1), group);
        side.labels[row]->setObjectName(name + QStringLiteral("FieldLabel%1").arg(row + 1));
        side.boxes[row] = new QLineEdit(group);
        side.boxes[row]->setObjectName(name + QStringLiteral("Field%1").arg(row + 1));
        KeepPlaceWhenHidden(side.labels[row]);
        KeepPlaceWhenHidden(side.boxes[row]);
        grid->addWidget(side.labels[row], 2 + row, 0);
        grid->addWidget(side.boxes[row], 2 + row, 1);
    }
    side.bar = new QScrollBar(Qt::Vertical, group);
    side.bar->setObjectName(name + QStringLiteral("ScrollBar"));
    side.bar->setSingleStep(1);
    side.bar->setPageStep(kPageRows);
    KeepPlaceWhenHidden(side.bar);
    grid->addWidget(side.bar, 2, 2, kRows, 1);
    grid->setRowStretch(2 + kRows, 1);
    return group;
}

void ConvertSettingDialog::Open()
{
    ori.separator = record.OriSeparator;
    ori.widths = record.OriFieldLen;
    ori.count = record.OriFieldCount;
    conv.separator = record.ConvSeparator;
    conv.widths = record.ConvFieldLen;
    // Counts above the range still show, so that the check on OK names the box.
    conv.count = static_cast<int>(
        std::min<std::uint32_t>(record.ConvertField, std::numeric_limits<int>::max()));
    fixedName = record.OriFixedName != 0 ? 1 : 0;
    openedNameBytes = record.OriFixedFileName;
    openedName = QString::fromStdString(DecodeTerminalText(openedNameBytes, codePage));
    fixedFileName = openedName;
    WriteBoxes();

    // Values out of range in the file are named by the check on OK, not here.
    const Reaction opening(*this);
    reported = true;
    for (Side* side : {&ori, &conv}) {
        int entry = -1;
        switch (side->separator) {
        case 0: entry = kLengthEntry; break;
        case kTab: entry = kTabEntry; break;
        case kSpace: entry = kSpaceEntry; break;
        default:
            for (int i = kSpaceEntry + 1; i < side->list->count() && entry < 0; ++i)
                if (side->list->itemText(i) == TextOf(side->separator, codePage))
                    entry = i;
            if (entry < 0) {
                side->list->addItem(TextOf(side->separator, codePage));
                entry = side->list->count() - 1;
            }
        }
        side->list->setCurrentIndex(entry);
    }
    OnSeparatorChosen(ori, ori.list->currentIndex());
    OnSeparatorChosen(conv, conv.list->currentIndex());
    OnFixedNameToggled();
}

bool ConvertSettingDialog::ReadNumber(QLineEdit* box, int& value, int low, int high, bool report)
{
    QString problem;
    bool isInteger = false;
    const qlonglong n = box->text().trimmed().toLongLong(&isInteger);
    if (!isInteger) {
        problem = tr("Please enter an integer.");
    } else {
        // The value is taken even when out of range, so a count reaction can tell.
        if (n >= std::numeric_limits<int>::min() && n <= std::numeric_limits<int>::max())
            value = static_cast<int>(n);
        if (n < low || n > high)
            problem = tr("Please enter an integer between %1 and %2.").arg(low).arg(high);
    }
    if (problem.isEmpty())
        return true;
    if (report) {
        ThePrompter().ShowMessage(problem);
        box->setFocus();
        box->selectAll();
    }
    return false;
}

bool ConvertSettingDialog::ReadBack(bool report)
{
    for (int row = 0; row < kRows; ++row)
        if (!ReadNumber(ori.boxes[row], ori.rows[row], 0, kMaxWidth, report))
            return false;
    if (!ReadNumber(conv.countBox, conv.count, 0, kMaxFieldCount, report))
        return false;
    for (int row = 0; row < kRows; ++row)
        if (!ReadNumber(conv.boxes[row], conv.rows[row], 0, kMaxWidth, report))
            return false;
    fixedName = fixedNameBox->isChecked() ? 1 : 0;
    fixedFileName = fixedNameEdit->text();
    return ReadNumber(ori.countBox, ori.count, 0, kMaxFieldCount, report);
}

void ConvertSettingDialog::WriteBoxes()
{
    writingBoxes = true;
    for (Side* side : {&ori, &conv}) {
        for (int row = 0; row < kRows; ++row)
            side->boxes[row]->setText(QString::number(side->rows[row]));
        side->countBox->setText(QString::number(side->count));
    }
    fixedNameBox->setChecked(fixedName != 0);
    fixedNameEdit->setText(fixedFileName);
    writingBoxes = false;
}

ConvertSettingDialog::Reaction::Reaction(ConvertSettingDialog& d) : dialog(d)
{
    if (dialog.reacting++ == 0)
        dialog.reported = false;
}

ConvertSettingDialog::Reaction::~Reaction()
{
    --dialog.reacting;
}

bool ConvertSettingDialog::ReactionReadBack()
{
    const bool read = ReadBack(!reported);
    reported = reported || !read;
    return read;
}

void ConvertSettingDialog::Refresh(Side& side)
{
    const Reaction reaction(*this);
    ReactionReadBack();
    const bool fixedWidth = side.separator == 0;
    for (int row = 0; row < kRows; ++row) {
        const int i = side.scroll + row;
        side.labels[row]->setText(FieldLabel(i + 1));
        if (i < static_cast<int>(side.widths.size()))
            side.boxes[row]->setText(QString::number(side.widths[i]));
        const bool shown = fixedWidth && i < side.count;
        side.labels[row]->setVisible(shown);
        side.boxes[row]->setVisible(shown);
    }
    side.bar->setVisible(fixedWidth && side.count > kRows);
    side.bar->setRange(0, HighestScroll(side.count));
    side.bar->setValue(side.scroll);
    if (side.source) {
        side.countLabel->setVisible(fixedWidth);
        side.countBox->setVisible(fixedWidth);
    }
}

void ConvertSettingDialog::OnSeparatorChosen(Side& side, int index)
{
    const Reaction reaction(*this);
    if (index == kLengthEntry) {
        side.separator = 0;
    } else if (index == kTabEntry) {
        side.separator = kTab;
    } else if (index == kSpaceEntry) {
        side.separator = kSpace;
    } else if (index > kSpaceEntry) {
        const QString text = side.list->itemText(index);
        if (!text.isEmpty())
            side.separator = CodeOf(text.front(), codePage);
    }
    Refresh(side);
}

void ConvertSettingDialog::OnSeparatorTyped(Side& side, const QString& text)
{
    const Reaction reaction(*this);
    const bool read = ReactionReadBack();
    const QString kept =
        text.isEmpty() ? QString() : TextOf(CodeOf(text.front(), codePage), codePage);
    side.list->lineEdit()->setText(kept);
    side.separator = kept.isEmpty() ? 0 : CodeOf(kept.front(), codePage);
    // After a failed read the boxes keep what the user typed; rewriting them from
    // the copies would throw it away.
    if (read)
        WriteBoxes();
    Refresh(side);
}

void ConvertSettingDialog::OnRowChanged(Side& side, int row)
{
    if (writingBoxes)
        return;
    const Reaction reaction(*this);
    // A box that fails the check stores nothing: the list never holds a width the
    // boxes would refuse.
    if (!ReactionReadBack())
        return;
    const auto index = static_cast<std::size_t>(side.scroll + row);
    const std::int32_t value = side.rows[row];
    if (index < side.widths.size())
        side.widths[index] = value;
    else if (side.source)
        side.widths.push_back(value);
}

void ConvertSettingDialog::OnCountChanged(Side& side)
{
    if (writingBoxes)
        return;
    const Reaction reaction(*this);
    ReactionReadBack();
    if (side.countBox->text().isEmpty() || side.count < 0 || side.count > kMaxFieldCount)
        return;
    side.widths.resize(static_cast<std::size_t>(side.count), 0);
    side.scroll = std::clamp(side.scroll, 0, HighestScroll(side.count));
    Refresh(side);
}

void ConvertSettingDialog::OnScroll(Side& side, int action)
{
    const Reaction reaction(*this);
    int step = 0;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: step = -1; break;
    case QAbstractSlider::SliderSingleStepAdd: step = 1; break;
    case QAbstractSlider::SliderPageStepSub: step = -kPageRows; break;
    case QAbstractSlider::SliderPageStepAdd: step = kPageRows; break;
    default: break;
    }
    side.scroll = std::clamp(side.scroll + step, 0, HighestScroll(side.count));
    // Dragging the thumb moves nothing: the bar goes back to the position.
    side.bar->setSliderPosition(side.scroll);
    Refresh(side);
}

void ConvertSettingDialog::OnFixedNameToggled()
{
    const Reaction reaction(*this);
    if (!writingBoxes)
        ReactionReadBack();
    fixedNameEdit->setEnabled(fixedNameBox->isChecked());
}

void ConvertSettingDialog::accept()
{
    const auto firstZero = [](const std::vector<std::int32_t>& widths) {
        const auto it = std::find_if(widths.begin(), widths.end(), [](auto w) { return w <= 0; });
        return it == widths.end() ? 0 : static_cast<int>(it - widths.begin()) + 1;
    };
    if (ori.separator == 0)
        if (const int field = firstZero(ori.widths); field != 0) {
            ThePrompter().ShowMessage(QString::fromStdString(
                FormatMessage(MessageId::SourceFieldInvalid, field, UiLanguage())));
            return;
        }
    if (conv.separator == 0)
        if (const int field = firstZero(conv.widths); field != 0) {
            ThePrompter().ShowMessage(QString::fromStdString(
                FormatMessage(MessageId::ConvertFieldInvalid, field, UiLanguage())));
            return;
        }
    if (!ReadBack(true))
        return;

    record.OriSeparator = ori.separator;
    record.OriFieldCount = ori.count;
    record.ConvSeparator = conv.separator;
    record.ConvertField = static_cast<std::uint32_t>(conv.count);
    record.OriFixedName = fixedName;
    if (fixedFileName != openedName) {
        // One line of Convert.ini holds the name: line breaks cannot be part of it.
        QString name = fixedFileName;
        name.remove(u'\r').remove(u'\n');
        record.OriFixedFileName = EncodeTerminalName(name, codePage);
    } else {
        record.OriFixedFileName = openedNameBytes;
    }
    record.OriFieldLen = ori.widths;
    record.ConvFieldLen = conv.widths;
    QDialog::accept();
}

bool EditConvertSettings(ConvertSettings& record, const std::filesystem::path& iniPath,
                         QWidget* parent)
{
    ConvertSettingDialog dialog(record, parent);
    if (ExecModal(dialog) != QDialog::Accepted)
        return false;
    if (!iniPath.empty())
        SaveConvertSettings(iniPath, record);
    return true;
}
