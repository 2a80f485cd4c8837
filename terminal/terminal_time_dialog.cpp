#include "terminal/terminal_time_dialog.h"

#include <QButtonGroup>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>

namespace {

constexpr int kTickMs = 1000;

std::function<QDateTime()>& Clock()
{
    static std::function<QDateTime()> clock;
    return clock;
}

} // namespace

QDateTime PcLocalTime()
{
    return Clock() ? Clock()() : QDateTime::currentDateTime();
}

void SetPcClock(std::function<QDateTime()> clock)
{
    Clock() = std::move(clock);
}

std::string TerminalTimeText(const DateTimeRecord& t)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return text;
}

DateTimeRecord RecordOf(const QDateTime& time)
{
    const QDate d = time.date();
    const QTime t = time.time();
    auto u16 = [](int v) { return static_cast<std::uint16_t>(v); };
    return DateTimeRecord{u16(d.year()), u16(d.month()),  u16(d.dayOfWeek() % 7), u16(d.day()),
                          u16(t.hour()), u16(t.minute()), u16(t.second()),        u16(t.msec())};
}

TerminalTimeDialog::TerminalTimeDialog(DateTimeRecord& chosen, QWidget* parent)
    : QDialog(parent), chosenTime(chosen), shown(new QLineEdit(this)),
      datePicker(new QDateEdit(this)), timePicker(new QTimeEdit(this)),
      radios(new QButtonGroup(this)), timer(new QTimer(this))
{
    setObjectName(QStringLiteral("TerminalTimeDialog"));
    setWindowTitle(tr("Setup Terminal Time"));
    shown->setObjectName(QStringLiteral("shownTime"));
    shown->setReadOnly(true);
    shown->setMinimumWidth(180);
    datePicker->setObjectName(QStringLiteral("datePicker"));
    datePicker->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    timePicker->setObjectName(QStringLiteral("timePicker"));
    timePicker->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    const QDateTime now = PcLocalTime();
    datePicker->setDate(now.date());
    timePicker->setTime(now.time());

    auto* sync = new QRadioButton(tr("Synchronize with PC"), this);
    sync->setObjectName(QStringLiteral("synchronizeRadio"));
    auto* none = new QRadioButton(tr("None Synchronize"), this);
    none->setObjectName(QStringLiteral("noneSynchronizeRadio"));
    radios->addButton(sync, 0);
    radios->addButton(none, 1);
    sync->setChecked(true);

    auto* group = new QGroupBox(tr("Set Time"), this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(sync, 0, 0);
    grid->addWidget(none, 1, 0);
    grid->addWidget(datePicker, 1, 1);
    grid->addWidget(timePicker, 1, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TerminalTimeDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(
        new QLabel(tr("Date && Time:").replace(QStringLiteral("&&"), QStringLiteral("&")), this));
    top->addWidget(shown, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(group);
    layout->addWidget(buttons);

    connect(sync, &QRadioButton::clicked, this, &TerminalTimeDialog::OnSynchronize);
    connect(none, &QRadioButton::clicked, this, &TerminalTimeDialog::OnNoSynchronize);
    connect(timer, &QTimer::timeout, this, [this] { ShowTime(PcLocalTime()); });
    connect(datePicker, &QDateEdit::dateChanged, this, [this] { ShowPickers(); });
    connect(timePicker, &QTimeEdit::timeChanged, this, [this] { ShowPickers(); });

    ShowTime(QDateTime(datePicker->date(), timePicker->time()));
    OnSynchronize();
}

QString TerminalTimeDialog::ShownText() const
{
    return shown->text();
}

bool TerminalTimeDialog::TimerRunning() const
{
    return timer->isActive();
}

void TerminalTimeDialog::OnSynchronize()
{
    timer->start(kTickMs);
    datePicker->setEnabled(false);
    timePicker->setEnabled(false);
}

void TerminalTimeDialog::OnNoSynchronize()
{
    timer->stop();
    ShowPickers();
    datePicker->setEnabled(true);
    timePicker->setEnabled(true);
}

void TerminalTimeDialog::ShowTime(const QDateTime& time)
{
    const QDate d = time.date();
    const QTime t = time.time();
    shown->setText(QString::asprintf("%d/%02d/%02d %02d:%02d:%02d", d.year(), d.month(), d.day(),
                                     t.hour(), t.minute(), t.second()));
}

void TerminalTimeDialog::ShowPickers()
{
    // Only the picked values show while the pickers are in use.
    if (timer->isActive())
        return;
    ShowTime(QDateTime(datePicker->date(), timePicker->time()));
}

void TerminalTimeDialog::accept()
{
    noSync = radios->checkedId() == 1 ? 1 : 0;
    const QDate d = datePicker->date();
    const QTime t = timePicker->time();
    chosenTime.year = static_cast<std::uint16_t>(d.year());
    chosenTime.month = static_cast<std::uint16_t>(d.month());
    chosenTime.day = static_cast<std::uint16_t>(d.day());
    chosenTime.hour = static_cast<std::uint16_t>(t.hour());
    chosenTime.minute = static_cast<std::uint16_t>(t.minute());
    chosenTime.second = static_cast<std::uint16_t>(t.second());
    timer->stop();
    QDialog::accept();
}
