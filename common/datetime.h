// Date-times of the program: days since 1899-12-30 00:00 as a double, the fraction being the
// time of day (one second is 1/86400). Every conversion to and from calendar parts lives here.
#pragma once

#include <cstdint>

using TDateTime = double;

inline constexpr double MS_PER_DAY = 86400000.0;

struct DateTimeParts
{
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int msec = 0;
};

// True when year 1..9999, month 1..12 and day exist in the calendar.
bool isValidDate(int year, int month, int day);
// True when hour 0..23, minute 0..59, second 0..59, msec 0..999.
bool isValidTime(int hour, int minute, int second, int msec = 0);
// Number of days in a month (1..12) of a year.
int daysInMonth(int year, int month);

// Encodes calendar parts; returns false (and leaves *out alone) when the date or time does
// not exist.
bool tryEncodeDateTime(const DateTimeParts &parts, TDateTime *out);
// Encodes parts known to be valid.
TDateTime encodeDateTime(const DateTimeParts &parts);
// Decodes into calendar parts, the time rounded to whole milliseconds.
DateTimeParts decodeDateTime(TDateTime value);

// Time of day of a value in whole milliseconds (0..86399999), rounded to the millisecond;
// whole days are dropped.
int64_t timeOfDayMs(TDateTime value);
// A time of day (hours, minutes, seconds, milliseconds) as a day fraction.
TDateTime encodeTime(int hour, int minute, int second, int msec = 0);
// Milliseconds as a day fraction.
inline constexpr TDateTime msToDays(double ms) { return ms / MS_PER_DAY; }
