// program_settings.h: the per-user stores the program reads: its own
// ("Setting/..." values) and the one the sibling program leaves automatic work
// in ("Transmission/..."). Any thread that owns the QSettings it gets.
#pragma once

#include "convert/scramble.h"

#include <QSettings>

// The program's store: group "Setting" holds "ClockSynchronization" and more.
QSettings ProgramSettings();
// Where the sibling program leaves automatic work: group "Transmission".
QSettings TransmissionSettings();
// The key of BASIC programs ("Setting/UnscrambleKey": ten numbers); the
// built-in key when the store names none or something else.
UnscrambleKey UnscrambleKeySetting();
// Days the receive folder keeps a pushed file a newer push replaced:
// "Setting/ReplacedKeepDays", 30 when unset or unreadable, at most ten years.
int ReplacedKeepDaysSetting();
