// The EDF+ writer: header, one annotation list per data record, the signals as 16-bit
// little-endian integers.
#include "edf.h"
#include "wholefile.h"

#include <QMap>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr int DIGITAL_MIN = -32768;
constexpr int DIGITAL_MAX = 32767;
constexpr int FIELD_NUMBER = 8;
constexpr qint64 WRITE_CHUNK = 1 << 20;

QByteArray field(const QByteArray &text, int width)
{
    QByteArray out = text.left(width);
    out.append(QByteArray(width - out.size(), ' '));
    return out;
}

// Printable ASCII only; blanks become "_" where EDF+ separates subfields by blanks.
QByteArray ascii(const QString &text, bool subfield)
{
    QByteArray out;
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        if (subfield && u == ' ')
            out += '_';
        else
            out += (u >= 32 && u <= 126) ? char(u) : '?';
    }
    return out.isEmpty() && subfield ? QByteArray("X") : out;
}

// Seconds written as EDF+ onsets are: no exponent, no trailing zeros.
QByteArray seconds(qint64 ms)
{
    QByteArray s = QByteArray::number(ms / 1000);
    if (const qint64 rest = ms % 1000; rest != 0) {
        QByteArray frac = QByteArray::number(rest).rightJustified(3, '0');
        while (frac.endsWith('0'))
            frac.chop(1);
        s += '.' + frac;
    }
    return s;
}

QByteArray tal(qint64 onsetMs, qint64 durationMs, const QString &text)
{
    QByteArray t = '+' + seconds(onsetMs);
    if (durationMs > 0)
        t += '\x15' + seconds(durationMs);
    t += '\x14' + ascii(text, false) + '\x14';
    t += '\0';
    return t;
}

QByteArray timekeeping(qint64 onsetMs)
{
    QByteArray t = '+' + seconds(onsetMs) + "\x14\x14";
    t += '\0';
    return t;
}

struct Signal
{
    int channel;
    Series series;
    QByteArray label, unit;
    EdfRange range;
    double min = 0, scale = 1; // digital = round((value - min) * scale) + DIGITAL_MIN
};

const char *const MONTHS[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                              "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

QByteArray twoDigits(int v)
{
    return QByteArray::number(v % 100).rightJustified(2, '0');
}

} // namespace

EdfRange edfRange(double lo, double hi)
{
    EdfRange r;
    if (!std::isfinite(lo) || !std::isfinite(hi) || lo > hi)
        return r;
    if (lo == hi) {
        lo -= 1;
        hi += 1;
    }
    auto text = [](double v, bool up, QByteArray *out) {
        for (int d = 6; d >= 0; --d) {
            const double p = std::pow(10.0, d);
            const double rounded = (up ? std::ceil(v * p) : std::floor(v * p)) / p;
            QByteArray s = QByteArray::number(rounded, 'f', d);
            if (s == "-0" || (s.startsWith("-0.") && s.count('0') == s.size() - 2))
                s = s.mid(1); // no negative zero
            if (s.size() <= FIELD_NUMBER) {
                *out = s;
                return true;
            }
        }
        return false;
    };
    r.ok = text(lo, false, &r.min) && text(hi, true, &r.max) && r.min.toDouble() < r.max.toDouble();
    return r;
}

QString writeEdf(const ExportRecording &recording, const QString &path,
                 const ExportProgress &progress)
{
    const ExportRecording &r = recording;
    if (const QString problem = recordingProblem(r); !problem.isEmpty())
        return problem;
    const bool two = r.channels.size() > 1;

    // The signals and their ranges.
    QList<Signal> signalList;
    for (int c = 0; c < r.channels.size(); ++c) {
        for (const SeriesInfo &s : seriesOf(*r.channels[c].info)) {
            double lo = std::numeric_limits<double>::infinity();
            double hi = -lo;
            for (int i = 0; i < r.count; ++i) {
                const double v = seriesValue(r.channels[c].samples[i], s.series);
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
            Signal sig{c, s.series,
                       (two ? QByteArray("CH") + QByteArray::number(c + 1) + ' ' : "") + s.label,
                       s.unit, edfRange(lo, hi)};
            if (!sig.range.ok)
                return QStringLiteral(
                           "The series %1 cannot be written to EDF (value out of range).")
                    .arg(QLatin1String(sig.label));
            sig.min = sig.range.min.toDouble();
            sig.scale = double(DIGITAL_MAX - DIGITAL_MIN) / (sig.range.max.toDouble() - sig.min);
            signalList.append(sig);
        }
    }

    // Data records: up to one second each, dividing the recording evenly.
    const int perSecond =
        r.intervalMs <= 1000 && 1000 % r.intervalMs == 0 ? 1000 / r.intervalMs : 1;
    int perRecord = perSecond;
    while (r.count % perRecord != 0)
        --perRecord;
    const int records = r.count / perRecord;
    const qint64 recordMs = qint64(perRecord) * r.intervalMs;

    // Annotations beyond the time-keeping one, by record.
    QMap<int, QByteArray> notes;
    for (int c = 0; c < r.channels.size(); ++c) {
        const QString suffix = two ? QStringLiteral(" CH%1").arg(c + 1) : QString();
        for (int32_t e : r.channels[c].events)
            notes[e / perRecord] +=
                tal(qint64(e) * r.intervalMs, 0, QStringLiteral("Event") + suffix);
        for (const SampleRun &run : unmeasuredRuns(r, c))
            notes[run.first / perRecord] +=
                tal(qint64(run.first) * r.intervalMs, qint64(run.count) * r.intervalMs,
                    runLabel(run.kind) + suffix);
    }
    // The longest time-keeping list: the last onset's whole seconds and three decimals.
    const qsizetype keeping = timekeeping(qint64(records - 1) * recordMs / 1000 * 1000 + 1).size();
    qsizetype noteBytes = keeping;
    for (const QByteArray &n : notes)
        noteBytes = std::max(noteBytes, keeping + n.size());
    const int noteSamples = int((noteBytes + 1) / 2);

    // The header.
    const int ns = int(signalList.size()) + 1;
    const DATA_INFO_TYPE &info = *r.channels[0].info;
    const DateTimeParts start = decodeDateTime(info.Log_start);
    QStringList serials, devices;
    for (const ExportChannel &c : r.channels) {
        serials << serialNumber(*c.info);
        devices << deviceName(*c.info);
    }
    QByteArray header;
    header += field("0", 8);
    header += field(ascii(serials.join(QLatin1Char('+')), true) + " X X X", 80);
    header += field("Startdate " + twoDigits(start.day) + '-' +
                        MONTHS[std::clamp(start.month, 1, 12) - 1] + '-' +
                        QByteArray::number(start.year) + " X X " +
                        ascii(devices.join(QLatin1Char('+')), true),
                    80);
    header += twoDigits(start.day) + '.' + twoDigits(start.month) + '.' + twoDigits(start.year);
    header += twoDigits(start.hour) + '.' + twoDigits(start.minute) + '.' + twoDigits(start.second);
    header += field(QByteArray::number(256 * (ns + 1)), 8);
    header += field("EDF+C", 44);
    header += field(QByteArray::number(records), 8);
    header += field(seconds(recordMs), 8);
    header += field(QByteArray::number(ns), 4);
    auto each = [&](auto text, int width) {
        for (const Signal &s : signalList)
            header += field(text(s), width);
    };
    each([](const Signal &s) { return s.label; }, 16);
    header += field("EDF Annotations", 16);
    each([](const Signal &) { return QByteArray(); }, 80);
    header += field("", 80);
    each([](const Signal &s) { return s.unit; }, 8);
    header += field("", 8);
    each([](const Signal &s) { return s.range.min; }, 8);
    header += field("-1", 8);
    each([](const Signal &s) { return s.range.max; }, 8);
    header += field("1", 8);
    each([](const Signal &) { return QByteArray::number(DIGITAL_MIN); }, 8);
    header += field(QByteArray::number(DIGITAL_MIN), 8);
    each([](const Signal &) { return QByteArray::number(DIGITAL_MAX); }, 8);
    header += field(QByteArray::number(DIGITAL_MAX), 8);
    each([](const Signal &) { return QByteArray(); }, 80);
    header += field("", 80);
    each([perRecord](const Signal &) { return QByteArray::number(perRecord); }, 8);
    header += field(QByteArray::number(noteSamples), 8);
    each([](const Signal &) { return QByteArray(); }, 32);
    header += field("", 32);

    WholeFile file(path);
    if (!file.open())
        return QStringLiteral("The file could not be created.");
    if (!file.write(header))
        return QStringLiteral("The EDF file could not be written.");

    const qsizetype recordBytes = qsizetype(signalList.size()) * perRecord * 2 + noteSamples * 2;
    // Whole records into a buffer of about WRITE_CHUNK bytes, then to the file.
    const int perChunk = int(std::max<qint64>(1, WRITE_CHUNK / recordBytes));
    QByteArray chunk(qsizetype(perChunk) * recordBytes, '\0');
    for (int rec = 0; rec < records;) {
        const int end = std::min(records, rec + perChunk);
        char *p = chunk.data();
        for (; rec < end; ++rec) {
            const int first = rec * perRecord;
            for (const Signal &s : signalList) {
                const SAMPLE_TYPE *samples = r.channels[s.channel].samples;
                for (int i = first; i < first + perRecord; ++i) {
                    const double v = seriesValue(samples[i], s.series);
                    const long d = std::lround((v - s.min) * s.scale) + DIGITAL_MIN;
                    const auto digital = uint16_t(std::clamp<long>(d, DIGITAL_MIN, DIGITAL_MAX));
                    *p++ = char(digital & 0xff);
                    *p++ = char(digital >> 8);
                }
            }
            QByteArray note = timekeeping(qint64(rec) * recordMs);
            if (const auto n = notes.constFind(rec); n != notes.constEnd())
                note += *n;
            if (note.size() > noteSamples * 2)
                return QStringLiteral("The EDF annotations do not fit their record.");
            std::memcpy(p, note.constData(), size_t(note.size()));
            std::memset(p + note.size(), 0, size_t(noteSamples * 2 - note.size()));
            p += noteSamples * 2;
        }
        const qint64 bytes = p - chunk.constData();
        if (!file.write(chunk.constData(), bytes))
            return QStringLiteral("The EDF file could not be written.");
        if (progress)
            progress(double(rec) / records);
    }
    if (!file.commit())
        return QStringLiteral("The EDF file could not be saved.");
    return {};
}
