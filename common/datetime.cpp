// Calendar arithmetic of the program's date-times (days since 1899-12-30).
#include "datetime.h"

#include <cmath>

namespace {

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civilFromDays(int64_t z, int *year, int *month, int *day)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    *year = static_cast<int>(y + (*month <= 2));
}

const int64_t kEpoch = daysFromCivil(1899, 12, 30);

// std::llround without the library call where that is exact: for 0 <= x < 2^62, x - trunc(x)
// is exact and a half goes up (away from zero).
int64_t roundMs(double x)
{
    if (!(x >= 0 && x < 0x1p62))
        return std::llround(x);
    const auto whole = static_cast<int64_t>(x);
    return whole + (x - static_cast<double>(whole) >= 0.5);
}

// Whole days of a value (toward zero, into *whole) and its time of day in milliseconds,
// rounded to the millisecond; a time that rounds up to midnight belongs to the next day.
int64_t splitDay(TDateTime value, double *whole)
{
    *whole = value >= 0 ? std::floor(value) : std::ceil(value);
    int64_t ms = roundMs(std::fabs(value - *whole) * MS_PER_DAY);
    if (ms >= 86400000) {
        ms -= 86400000;
        *whole += value >= 0 ? 1 : -1;
    }
    return ms;
}

} // namespace

int daysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

bool isValidDate(int year, int month, int day)
{
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= daysInMonth(year, month);
}

bool isValidTime(int hour, int minute, int second, int msec)
{
    return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 &&
           msec >= 0 && msec < 1000;
}

TDateTime encodeTime(int hour, int minute, int second, int msec)
{
    return (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + msec) / MS_PER_DAY;
}

TDateTime encodeDateTime(const DateTimeParts &p)
{
    const double days = static_cast<double>(daysFromCivil(p.year, p.month, p.day) - kEpoch);
    const double time = encodeTime(p.hour, p.minute, p.second, p.msec);
    // Before the epoch the fraction still counts forward from midnight, so it is subtracted.
    return days >= 0 ? days + time : days - time;
}

bool tryEncodeDateTime(const DateTimeParts &p, TDateTime *out)
{
    if (!isValidDate(p.year, p.month, p.day) || !isValidTime(p.hour, p.minute, p.second, p.msec))
        return false;
    *out = encodeDateTime(p);
    return true;
}

DateTimeParts decodeDateTime(TDateTime value)
{
    double whole = 0;
    const int64_t ms = splitDay(value, &whole);
    DateTimeParts p;
    civilFromDays(static_cast<int64_t>(whole) + kEpoch, &p.year, &p.month, &p.day);
    p.hour = static_cast<int>(ms / 3600000);
    p.minute = static_cast<int>(ms / 60000 % 60);
    p.second = static_cast<int>(ms / 1000 % 60);
    p.msec = static_cast<int>(ms % 1000);
    return p;
}

int64_t timeOfDayMs(TDateTime value)
{
    double whole = 0;
    return splitDay(value, &whole); // the calendar date is not needed
}
