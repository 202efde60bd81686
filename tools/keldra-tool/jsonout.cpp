// JSON Lines helpers of keldra-tool.
#include "jsonout.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

template <typename T> QByteArray shortest(T value)
{
    if (!std::isfinite(value))
        return QByteArrayLiteral("null");
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return QByteArray(buf, static_cast<qsizetype>(r.ptr - buf));
}

QByteArray key(const char *name)
{
    return QByteArray("\"") + name + "\":";
}

template <typename T> QByteArray array(const T *values, int count)
{
    QByteArray out = "[";
    for (int i = 0; i < count; ++i) {
        if (i)
            out += ',';
        out += jsonFloat(values[i]);
    }
    return out + ']';
}

} // namespace

QByteArray jsonFloat(float value)
{
    return shortest(value);
}

QByteArray jsonDouble(double value)
{
    return shortest(value);
}

QByteArray jsonString(const QString &text)
{
    QByteArray out = "\"";
    for (const char c : text.toUtf8()) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", static_cast<unsigned>(c));
            out += esc;
        } else {
            out += c;
        }
    }
    return out + '"';
}

QByteArray jsonDateTime(TDateTime value)
{
    const DateTimeParts p = decodeDateTime(value);
    char buf[48];
    std::snprintf(buf, sizeof buf, "\"%04d-%02d-%02d %02d:%02d:%02d.%03d\"", p.year, p.month, p.day,
                  p.hour, p.minute, p.second, p.msec);
    return buf;
}

QByteArray headerObject(int slot, int window, const DATA_INFO_TYPE &info, const QString &infoLabel)
{
    QByteArray events = "[";
    for (int i = 0; i < EVENT_MAX && EventList[slot][i] != -1; ++i) {
        if (i)
            events += ',';
        events += QByteArray::number(EventList[slot][i]);
    }
    events += ']';
    QByteArray out = "{";
    out += key("slot") + QByteArray::number(slot) + ',';
    out += key("window") + QByteArray::number(window) + ',';
    out += key("DeviceType") + QByteArray::number(info.DeviceType) + ',';
    out += key("Log_Device") + jsonString(deviceName(info)) + ',';
    out += key("NumCH") + QByteArray::number(info.NumCH) + ',';
    out += key("Ex_count") + QByteArray::number(info.Ex_count) + ',';
    out += key("Log_Rate") + QByteArray::number(info.Log_Rate) + ',';
    out += key("Log_FatThick") + jsonDouble(info.Log_FatThick) + ',';
    out += key("Log_Range") + '[' + QByteArray::number(info.Log_Range[0]) + ',' +
           QByteArray::number(info.Log_Range[1]) + "],";
    out += key("Rev2") + (info.Rev2 ? "true" : "false") + ',';
    out += key("Log_start") + jsonDateTime(info.Log_start) + ',';
    out += key("Log_end") + jsonDateTime(info.Log_end) + ',';
    out += key("events") + events + ',';
    out += key("InfoLabel") + jsonString(infoLabel);
    return out + '}';
}

QByteArray sampleObject(const SAMPLE_TYPE &s, bool withBatt)
{
    QByteArray out = "{";
    out += key("Seq") + QByteArray::number(s.Seq) + ',';
    out += key("Time_ms") + QByteArray::number(std::llround(s.Time * MS_PER_DAY)) + ',';
    out += key("Status") + QByteArray::number(s.Status) + ',';
    if (withBatt)
        out += key("Batt") + jsonFloat(s.Batt) + ',';
    out += key("Nirs") + array(s.Nirs, 4) + ',';
    out += key("Acc") + array(s.Acc, 3) + ',';
    out += key("Gyr") + array(s.Gyr, 3);
    return out + '}';
}

void printLine(const QByteArray &object)
{
    std::fwrite(object.constData(), 1, static_cast<size_t>(object.size()), stdout);
    std::fputc('\n', stdout);
}
