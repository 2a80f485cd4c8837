// terminal_time_dialog.h: the "Setup Terminal Time" dialog, which chooses between
// the PC's time and a date and time picked by hand for a terminal's clock, and
// the PC clock it reads (which tests replace). GUI thread.
#pragma once

#include <QDateTime>
#include <QDialog>

#include <cstdint>
#include <functional>
#include <string>

class QButtonGroup;
class QDateEdit;
class QLineEdit;
class QTimeEdit;
class QTimer;

// A calendar date and time of day, 16 bits a member.
struct DateTimeRecord {
    std::uint16_t year = 0, month = 0, dayOfWeek = 0, day = 0;
    std::uint16_t hour = 0, minute = 0, second = 0, milliseconds = 0;
};

// The PC's local time now: the system clock unless a test set its own.
QDateTime PcLocalTime();
// Empty: back to the system clock.
void SetPcClock(std::function<QDateTime()> clock);

// "%04d%02d%02d%02d%02d%02d": year first, two digits for every other part.
std::string TerminalTimeText(const DateTimeRecord& time);
DateTimeRecord RecordOf(const QDateTime& time);

class TerminalTimeDialog : public QDialog {
    Q_OBJECT
public:
    // chosenTime is written on OK only (year, month, day, hour, minute, second);
    // not owned, outlives the dialog.
    explicit TerminalTimeDialog(DateTimeRecord& chosenTime, QWidget* parent = nullptr);

    // 0: "Synchronize with PC", 1: "None Synchronize"; read after OK.
    int noSync = 0;
    // The text of the shown box: "%d/%02d/%02d %02d:%02d:%02d".
    QString ShownText() const;
    bool TimerRunning() const;

public slots:
    void accept() override;

private:
    void OnSynchronize();
    void OnNoSynchronize();
    void ShowTime(const QDateTime& time);
    void ShowPickers();

    DateTimeRecord& chosenTime;
    QLineEdit* shown;
    QDateEdit* datePicker;
    QTimeEdit* timePicker;
    QButtonGroup* radios;
    QTimer* timer;
};
