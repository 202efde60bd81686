// The recording model of keldra-gen and the writing of its three file forms. The standard
// form is written by the viewer's own writer functions, so it is byte for byte what an upload
// saves.
#include "generator.h"

#include "format.h"
#include "store.h"
#include "wholefile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace {

constexpr double TWO_PI = 2 * std::numbers::pi;
constexpr int FLUSH_BYTES = 1 << 20;

// splitmix64: the same numbers from the same seed on every platform.
class Random
{
public:
    explicit Random(uint64_t seed) : m_state(seed) {}
    uint64_t next()
    {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    double uniform() { return double(next() >> 11) * 0x1.0p-53; } // [0, 1)
    double between(double lo, double hi) { return lo + uniform() * (hi - lo); }
    int64_t below(int64_t n) { return n > 0 ? int64_t(next() % uint64_t(n)) : 0; }
    // Sum of uniforms: close enough to a normal deviate for noise, and portable.
    double noise() { return uniform() + uniform() + uniform() + uniform() - 2.0; }

private:
    uint64_t m_state;
};

// One sensor's signals, evolving sample by sample.
class SensorModel
{
public:
    SensorModel(Random &rng, const GenOptions &o) : m_rng(rng), m_rate(o.rate), m_samples(o.samples)
    {
        for (double &p : m_phase)
            p = rng.between(0, TWO_PI);
        m_tilt = rng.between(-0.3, 0.3);
    }

    void step(int64_t k, SAMPLE_TYPE &s)
    {
        const double t = double(k) * m_rate / 1000.0; // s
        const double dt = m_rate / 1000.0;
        // Slow physiology: breathing-scale and minute-scale waves plus a drifting baseline.
        m_drift += (-m_drift / 120.0) * dt + 0.0004 * std::sqrt(dt) * m_rng.noise();
        const double slow = 0.015 * std::sin(TWO_PI * t / 300.0 + m_phase[0]) +
                            0.004 * std::sin(TWO_PI * t / 12.0 + m_phase[1]) + m_drift;
        const double ox = slow + 0.0004 * m_rng.noise();
        const double dx = -0.4 * slow + 0.003 * std::sin(TWO_PI * t / 450.0 + m_phase[2]) +
                          0.0003 * m_rng.noise();
        s.Nirs[0] = float(ox);
        s.Nirs[1] = float(dx);
        s.Nirs[2] = float(ox + dx);
        s.Nirs[3] = float(std::clamp(0.65 + 0.04 * std::sin(TWO_PI * t / 600.0 + m_phase[3]) +
                                         2.0 * (ox - dx) + 0.002 * m_rng.noise(),
                                     0.3, 0.95));
        // Posture turns slowly; now and then a few seconds of movement.
        if (m_moving <= 0 && m_rng.uniform() < dt / 90.0)
            m_moving = int64_t(m_rng.between(2, 8) / dt);
        const double shake = m_moving-- > 0 ? 1.0 : 0.0;
        m_tilt += 0.002 * std::sqrt(dt) * m_rng.noise();
        const double pitch = m_tilt + 0.2 * std::sin(TWO_PI * t / 900.0 + m_phase[4]);
        s.Acc[0] = float(std::sin(pitch) + (0.005 + 0.3 * shake) * m_rng.noise());
        s.Acc[1] = float(-std::cos(pitch) + (0.005 + 0.3 * shake) * m_rng.noise());
        s.Acc[2] = float(0.03 + (0.005 + 0.2 * shake) * m_rng.noise());
        for (float &g : s.Gyr)
            g = float((0.3 + 40.0 * shake) * m_rng.noise());
        s.Batt = float(4.15 - 0.5 * double(k) / double(std::max<int64_t>(m_samples, 1)) +
                       0.01 * m_rng.noise());
    }

private:
    Random &m_rng;
    int m_rate;
    int64_t m_samples;
    double m_phase[5];
    double m_drift = 0;
    double m_tilt = 0;
    int64_t m_moving = 0;
};

// Which sample positions carry what: events, errors, left out (gaps), unreadable.
struct Marks
{
    std::vector<uint8_t> flags;
    static constexpr uint8_t EVENT = 1, ERROR = 2, GAP = 4, BAD = 8;
};

Marks placeMarks(Random &rng, const GenOptions &o)
{
    Marks m;
    m.flags.assign(size_t(o.samples), 0);
    auto place = [&](int count, uint8_t flag, int64_t from) {
        for (int i = 0; i < count && o.samples > from; ++i)
            m.flags[size_t(from + rng.below(o.samples - from))] |= flag;
    };
    place(o.events, Marks::EVENT, 0);
    place(o.errors, Marks::ERROR, 0);
    // A gap: 1 to 5 whole seconds of lines, starting on a whole second, never the first line.
    const int64_t perSecond = std::max<int64_t>(1, 1000 / o.rate);
    for (int g = 0; g < o.gaps && o.samples > 2 * perSecond; ++g) {
        const int64_t first = perSecond * (1 + rng.below(o.samples / perSecond - 1));
        const int64_t count = perSecond * (1 + rng.below(5));
        for (int64_t k = first; k < std::min(o.samples - 1, first + count); ++k)
            m.flags[size_t(k)] |= Marks::GAP;
    }
    place(o.badLines, Marks::BAD, 1);
    return m;
}

char *put(char *p, const char *text)
{
    const size_t n = std::strlen(text);
    std::memcpy(p, text, n);
    return p + n;
}

char *putBytes(char *p, const QByteArray &text)
{
    return putAscii(p, text.constData(), int(text.size()));
}

char *putDateTime(char *p, TDateTime value)
{
    const DateTimeParts d = decodeDateTime(value);
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
    return putInt(p, d.second, 0, 2);
}

// Comma cells from cell `from` up to (not including) cell `to`.
char *skipCells(char *p, int from, int to)
{
    for (int i = from; i < to; ++i)
        *p++ = ',';
    return p;
}

QByteArray headerOf(const GenOptions &o, const DATA_INFO_TYPE &info)
{
    if (o.form == FileForm::Standard)
        return formatHeaderLines(info);
    std::vector<char> buf(4096 + 2 * size_t(o.device.size() + o.device2.size()));
    char *p = buf.data();
    p = putBytes(put(p, "S/N,"), o.device);
    p = putInt(put(p, ",RATE,"), o.rate);
    p = putFixed(put(p, ",TH,"), o.fat, 4, 1);
    const bool two = o.form == FileForm::TwoChannel;
    if (two) {
        p = putInt(put(p, ",RANGE,"), o.accRange);
        p = putInt(put(p, ","), o.gyrRange);
        p = putBytes(put(skipCells(p, 9, 15), ",S/N,"), o.device2);
        p = putFixed(put(p, ",TH,"), o.fat2, 4, 1);
    }
    p = put(p, LINE_END);
    const char *keys[] = {two ? "START " : "START,", two ? "END " : "END,"};
    const TDateTime times[] = {info.Log_start, info.Log_end};
    for (int i = 0; i < 2; ++i) {
        p = putDateTime(put(p, keys[i]), times[i]);
        if (two)
            p = putDateTime(put(skipCells(p, 0, 15), keys[i]), times[i]);
        p = put(p, LINE_END);
    }
    p = put(p, two ? ",,CH1,,,,,,,,,,,,,,,CH2\r\n" : ",,CH1\r\n");
    if (two)
        p = put(put(put(put(p, TITLE_LINE), ","), TITLE_LINE + 9), LINE_END);
    else
        p = put(p, "TIME,SEQ,BATT[V],EVENT,ERROR,TOHb[mM],StO2[%]\r\n");
    return QByteArray(buf.data(), p - buf.data());
}

// Cells 15 to 27 of a two-channel line: the second sensor's standard cells from BATT on.
char *putSecondChannel(char *p, const SAMPLE_TYPE &s)
{
    char line[SAMPLE_LINE_MAX];
    const int n = formatSampleLine(line, s, false);
    const char *batt = static_cast<const char *>(std::memchr(line, ',', size_t(n)));
    batt = static_cast<const char *>(std::memchr(batt + 1, ',', size_t(line + n - batt - 1)));
    const int length = int(line + n - batt) - 2; // without CR LF
    std::memcpy(p, batt, size_t(length));
    return p + length;
}

int sampleLineOf(const GenOptions &o, const SAMPLE_TYPE &s, const SAMPLE_TYPE &s2, bool event,
                 char *out)
{
    if (o.form == FileForm::Standard)
        return formatSampleLine(out, s, event);
    if (o.form == FileForm::TwoChannel) {
        const int first = formatSampleLine(out, s, event) - 2; // without its CR LF
        return int(put(putSecondChannel(out + first, s2), LINE_END) - out);
    }
    char *p = out;
    const int64_t ms = timeOfDayMs(s.Time);
    p = putInt(p, ms / 3600000, 2);
    p = putInt(put(p, ":"), ms / 60000 % 60, 2);
    p = putInt(put(p, ":"), ms / 1000 % 60, 2);
    p = putInt(put(p, ","), s.Seq);
    p = putFixed(put(p, ","), s.Batt, 3, 1);
    p = put(p, event ? ",S1," : ",,");
    if (s.Status & STATUS_DEVICE_ERROR)
        *p++ = 'E';
    p = putFixed(put(p, ","), s.Nirs[2], 7, 4);
    p = putFixed(put(p, ","), double(s.Nirs[3]) * 100.0, 6, 2);
    return int(put(p, LINE_END) - out);
}

template <typename Put> bool generateInto(const GenOptions &o, Put put)
{
    Random rng(o.seed);
    const Marks marks = placeMarks(rng, o);
    SensorModel first(rng, o), second(rng, o);

    DATA_INFO_TYPE info{};
    setDeviceName(info, QString::fromLatin1(o.device));
    info.Log_Rate = o.rate;
    info.Log_FatThick = o.fat;
    info.Log_Range[0] = o.accRange;
    info.Log_Range[1] = o.gyrRange;
    info.Log_start = encodeDateTime(o.start);
    info.Log_end = info.Log_start + msToDays(double(std::max<int64_t>(o.samples - 1, 0)) * o.rate);
    QByteArray chunk = headerOf(o, info);
    chunk.reserve(FLUSH_BYTES + 2 * SAMPLE_LINE_MAX);

    char line[2 * SAMPLE_LINE_MAX];
    SAMPLE_TYPE s{}, s2{};
    for (int64_t k = 0; k < o.samples; ++k) {
        s.Time = s2.Time = msToDays(double(k) * o.rate);
        s.Seq = s2.Seq = int32_t(k);
        first.step(k, s);
        second.step(k, s2);
        const uint8_t f = marks.flags[size_t(k)];
        s.Status = f & Marks::ERROR ? STATUS_DEVICE_ERROR : 0;
        s2.Status = 0;
        if (f & Marks::GAP)
            continue;
        if (f & Marks::BAD)
            chunk += QByteArray::number(k) + ",unreadable\r\n";
        else
            chunk.append(line, sampleLineOf(o, s, s2, f & Marks::EVENT, line));
        if (chunk.size() >= FLUSH_BYTES) {
            if (!put(chunk))
                return false;
            chunk.resize(0);
        }
    }
    return put(chunk);
}

} // namespace

bool generateFile(const GenOptions &options, QIODevice &out)
{
    return generateInto(options, [&](const QByteArray &b) { return out.write(b) == b.size(); });
}

bool generateFile(const GenOptions &options, const QString &path)
{
    WholeFile file(path);
    if (file.open() && generateInto(options, [&](const QByteArray &b) { return file.write(b); }) &&
        file.commit())
        return true;
    file.cancel();
    return false;
}
