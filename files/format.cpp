// Number and line formatting of the measurement file writer.
#include "format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

char *padLeft(char *p, const char *text, int length, int width)
{
    for (int i = length; i < width; ++i)
        *p++ = ' ';
    std::memcpy(p, text, static_cast<size_t>(length));
    return p + length;
}

char *putText(char *p, const char *text)
{
    const size_t n = std::strlen(text);
    std::memcpy(p, text, n);
    return p + n;
}

char *putDate(char *p, const char *keyword, TDateTime value)
{
    const DateTimeParts d = decodeDateTime(value);
    p = putText(p, keyword);
    p = putInt(p, d.year, 4);
    *p++ = '/';
    p = putInt(p, d.month, 0, 2);
    *p++ = '/';
    p = putInt(p, d.day, 0, 2);
    *p++ = ' ';
    p = putInt(p, d.hour, 0, 2);
    *p++ = ':';
    p = putInt(p, d.minute, 0, 2);
    *p++ = ':';
    p = putInt(p, d.second, 0, 2);
    return putText(p, LINE_END);
}

// A sample value cell: fixed-point, or empty for a value the file cannot carry.
char *putValue(char *p, double value, int width, int decimals)
{
    return cellCarries(value) ? putFixed(p, value, width, decimals) : p;
}

} // namespace

bool cellCarries(double value)
{
    return std::isfinite(value) && std::fabs(value) < VALUE_LIMIT;
}

double carriedFatThick(double value)
{
    if (std::isnan(value))
        return FAT_THICK_MIN;
    return std::clamp(value, FAT_THICK_MIN, FAT_THICK_MAX);
}

void carriedDeviceName(const DATA_INFO_TYPE &info, char *out)
{
    char *end = putAscii(out, info.Log_Device, DEVICE_NAME_CARRIED);
    std::replace(out, end, ',', '?');
    *end = '\0';
}

char *putInt(char *p, int64_t value, int width, int digits)
{
    char digitsBuf[24];
    char *end =
        std::to_chars(digitsBuf, digitsBuf + sizeof digitsBuf,
                      value < 0 ? -static_cast<uint64_t>(value) : static_cast<uint64_t>(value))
            .ptr;
    const int count = static_cast<int>(end - digitsBuf);
    char text[48];
    char *t = text;
    if (value < 0)
        *t++ = '-';
    for (int i = count; i < digits; ++i)
        *t++ = '0';
    std::memcpy(t, digitsBuf, static_cast<size_t>(count));
    t += count;
    return padLeft(p, text, static_cast<int>(t - text), width);
}

char *putFixed(char *p, double value, int width, int decimals)
{
    char text[400];
    const auto r =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return padLeft(p, text, static_cast<int>(r.ptr - text), width);
}

char *putAscii(char *p, const char *utf8, int maxBytes)
{
    for (int i = 0; i < maxBytes && utf8[i] != '\0'; ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if ((b & 0xC0) == 0x80)
            continue; // continuation byte of a character already written as "?"
        *p++ = b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '?';
    }
    return p;
}

QByteArray formatHeaderLines(const DATA_INFO_TYPE &info)
{
    char buf[DEVICE_NAME_MAX + 1536]; // the name, a double of up to 309 digits, the rest
    char *p = putText(buf, "S/N,");
    char name[DEVICE_NAME_MAX + 1];
    carriedDeviceName(info, name);
    p = putText(p, name);
    p = putText(p, ",RATE,");
    p = putInt(p, info.Log_Rate);
    p = putText(p, ",TH,");
    p = putFixed(p, carriedFatThick(info.Log_FatThick), 4, 1);
    p = putText(p, ",RANGE,");
    p = putInt(p, info.Log_Range[0]);
    *p++ = ',';
    p = putInt(p, info.Log_Range[1]);
    p = putText(p, LINE_END);
    p = putDate(p, "START ", info.Log_start);
    p = putDate(p, "END ", info.Log_end);
    p = putText(p, CHANNEL_LINE);
    p = putText(p, LINE_END);
    p = putText(p, TITLE_LINE);
    p = putText(p, LINE_END);
    return QByteArray(buf, static_cast<qsizetype>(p - buf));
}

int formatSampleLine(char *out, const SAMPLE_TYPE &s, bool event)
{
    const int64_t ms = timeOfDayMs(s.Time);
    char *p = putInt(out, ms / 3600000, 2);
    *p++ = ':';
    p = putInt(p, ms / 60000 % 60, 2);
    *p++ = ':';
    p = putInt(p, ms / 1000 % 60, 2);
    *p++ = ',';
    p = putInt(p, s.Seq);
    *p++ = ',';
    p = putValue(p, s.Batt, 3, 1);
    *p++ = ',';
    if (event)
        p = putText(p, "S1");
    *p++ = ',';
    if (s.Status & STATUS_DEVICE_ERROR)
        *p++ = 'E';
    for (int j = 0; j < 3; ++j) {
        *p++ = ',';
        p = putValue(p, s.Nirs[j], 7, 4);
    }
    *p++ = ',';
    p = putValue(p, static_cast<double>(s.Nirs[3]) * 100.0, 6, 2);
    for (const float a : s.Acc) {
        *p++ = ',';
        p = putValue(p, a, 7, 3);
    }
    for (const float g : s.Gyr) {
        *p++ = ',';
        p = putValue(p, g, 7, 1);
    }
    p = putText(p, LINE_END);
    return static_cast<int>(p - out);
}

QByteArray formatSampleLine(const SAMPLE_TYPE &sample, bool event)
{
    char buf[SAMPLE_LINE_MAX];
    return QByteArray(buf, formatSampleLine(buf, sample, event));
}
