// local_time.h: a moment as the local calendar time, thread-safe on every
// system. Any thread.
#pragma once

#include <ctime>

// when in the local time zone; all zero fields when it cannot be expressed.
std::tm LocalTime(std::time_t when);
