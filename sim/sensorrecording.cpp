// Encoding a sensor's recording into its packets and frames.
#include "sensorrecording.h"
#include "protocol.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

void put16(QByteArray &p, int at, uint16_t v)
{
    p[at] = char(v >> 8);
    p[at + 1] = char(v & 0xFF);
}

void put32(QByteArray &p, int at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[at + i] = char((v >> (24 - 8 * i)) & 0xFF);
}

void putSingle(QByteArray &p, int at, float v)
{
    put32(p, at, std::bit_cast<uint32_t>(v));
}

char bcd(int v)
{
    return char(((v / 10) << 4) | (v % 10));
}

template <int N> int nearestCode(const int32_t (&table)[N], int value)
{
    int best = 0;
    for (int i = 1; i < N; ++i) {
        if (std::abs(table[i] - value) < std::abs(table[best] - value))
            best = i;
    }
    return best;
}

int16_t motionCounts(float value, int fullScale)
{
    const double counts = std::round(value * MOTION_FULL_SCALE_COUNTS / fullScale);
    return int16_t(std::clamp(counts, -32768.0, 32767.0));
}

} // namespace

QByteArray encodeHeaderPacket(const SensorRecording &rec)
{
    QByteArray p(PACKET_SIZE, '\0');
    put16(p, 1, HEADER_MAGIC);
    put16(p, 3, uint16_t(rec.rateCode));
    putSingle(p, 5, rec.fatThick);
    put32(p, 13, uint32_t(rec.announcedCount()));
    put16(p, 17, uint16_t(rec.accCode));
    put16(p, 19, uint16_t(rec.gyroCode));
    p[22] = bcd(rec.start.year % 100);
    p[23] = bcd(rec.start.month);
    p[24] = bcd(rec.start.day);
    p[26] = bcd(rec.start.hour);
    p[27] = bcd(rec.start.minute);
    p[28] = bcd(rec.start.second);
    return p;
}

QByteArray encodeDataPacket(const SensorSample &s)
{
    QByteArray p(PACKET_SIZE, '\0');
    put16(p, 1, s.battery);
    put16(p, 3, s.status);
    putSingle(p, 5, s.oxy);
    putSingle(p, 9, s.deoxy);
    putSingle(p, 13, s.sto2);
    for (int i = 0; i < 3; ++i) {
        put16(p, 17 + 2 * i, uint16_t(s.acc[i]));
        put16(p, 23 + 2 * i, uint16_t(s.gyr[i]));
    }
    return p;
}

void appendFrame(QByteArray &out, const QByteArray &packet, bool escapeAll)
{
    out.append(char(FRAME_START));
    for (const char c : packet) {
        const auto b = uint8_t(c);
        const bool framing = b == FRAME_START || b == FRAME_ESCAPE || b == FRAME_END;
        // 0x5B..0x5D cannot travel escaped: their escaped form is a framing byte.
        const auto x = uint8_t(b ^ FRAME_XOR);
        const bool escapable = x != FRAME_START && x != FRAME_ESCAPE && x != FRAME_END;
        if (framing || (escapeAll && escapable)) {
            out.append(char(FRAME_ESCAPE));
            out.append(char(b ^ FRAME_XOR));
        } else {
            out.append(c);
        }
    }
    out.append(char(FRAME_END));
}

QByteArray encodeStream(const SensorRecording &rec, bool escapeAll)
{
    QByteArray out;
    const int32_t count = rec.announcedCount();
    out.reserve(qsizetype(count + 1) * (escapeAll ? 60 : 33));
    appendFrame(out, encodeHeaderPacket(rec), escapeAll);
    for (int32_t i = 0; i < count && !rec.samples.isEmpty(); ++i)
        appendFrame(out, encodeDataPacket(rec.samples[i % rec.samples.size()]), escapeAll);
    return out;
}

SensorRecording recordingFromStore(const DATA_INFO_TYPE &info, int slot)
{
    SensorRecording rec;
    rec.rateCode = nearestCode(RATE_TABLE_MS, info.Log_Rate);
    rec.fatThick = float(info.Log_FatThick);
    rec.accCode = info.Rev2 ? nearestCode(ACC_TABLE_G, info.Log_Range[0]) : 0;
    rec.gyroCode = info.Rev2 ? nearestCode(GYRO_TABLE_DPS, info.Log_Range[1]) : 0;
    rec.start = decodeDateTime(info.Log_start);
    const int accScale = ACC_TABLE_G[rec.accCode];
    const int gyrScale = GYRO_TABLE_DPS[rec.gyroCode];
    rec.samples.resize(info.Ex_count);
    for (int32_t i = 0; i < info.Ex_count; ++i) {
        const SAMPLE_TYPE &src = SampleData[slot][i];
        SensorSample &s = rec.samples[i];
        s.battery =
            uint16_t(std::clamp(std::lround(src.Batt / BATTERY_VOLTS_PER_COUNT), 0L, 65535L));
        // A file's "E" cell (read as STATUS_FILE_ERROR) was the sensor's error bit.
        s.status =
            (src.Status & (STATUS_DEVICE_ERROR | STATUS_FILE_ERROR)) ? STATUS_DEVICE_ERROR : 0;
        s.status |= uint16_t(src.Status & STATUS_BLANK);
        if (HasEvent(slot, i))
            s.status |= STATUS_EVENT_MARK;
        s.oxy = src.Nirs[0];
        s.deoxy = src.Nirs[1];
        s.sto2 = src.Nirs[3];
        for (int k = 0; k < 3; ++k) {
            s.acc[k] = motionCounts(src.Acc[k], accScale);
            s.gyr[k] = motionCounts(src.Gyr[k], gyrScale);
        }
    }
    return rec;
}

SensorRecording generateRecording(int count, int rateCode, bool marks)
{
    SensorRecording rec;
    rec.rateCode = rateCode;
    rec.accCode = 1;
    rec.gyroCode = 2;
    rec.samples.resize(count);
    for (int i = 0; i < count; ++i) {
        SensorSample &s = rec.samples[i];
        const double t = i * 0.01;
        s.battery = uint16_t(1100 - i % 50);
        s.status = marks && i % 100 == 99 ? STATUS_EVENT_MARK : 0;
        s.oxy = float(0.05 * std::sin(t));
        s.deoxy = float(0.02 * std::cos(t * 0.7));
        s.sto2 = float(0.65 + 0.05 * std::sin(t * 0.3));
        for (int k = 0; k < 3; ++k) {
            s.acc[k] = int16_t(8000 * std::sin(t + k));
            s.gyr[k] = int16_t(4000 * std::cos(t * 1.3 + k));
        }
    }
    return rec;
}
