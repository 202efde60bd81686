// What a simulated sensor holds and how it sends it: the recording as the raw fields of its
// packets, and the encoder that turns it into the framed, escaped byte stream of an upload.
#pragma once

#include "datetime.h"
#include "store.h"

#include <QByteArray>
#include <QVector>
#include <cstdint>

// The raw fields of one data packet.
struct SensorSample
{
    uint16_t battery = 0; // counts of 0.00352 V
    uint16_t status = 0;  // status word; bit 15 is the event mark
    float oxy = 0;        // mM
    float deoxy = 0;      // mM
    float sto2 = 0;       // fraction, 1.0 = 100 %
    int16_t acc[3] = {};  // counts of full scale / 32768
    int16_t gyr[3] = {};
};

struct SensorRecording
{
    int rateCode = 1; // code tables of the protocol
    float fatThick = 3.0f;
    int accCode = 0;
    int gyroCode = 0;
    DateTimeParts start{2024, 5, 1, 9, 30, 0, 0};
    QVector<SensorSample> samples;
    // Records the header announces; -1 for samples.size(). When more are announced than held,
    // the samples are sent again from the first.
    int32_t announced = -1;

    int32_t announcedCount() const { return announced < 0 ? int32_t(samples.size()) : announced; }
};

// The 29-byte header packet (codes, thickness, record count, BCD start time).
QByteArray encodeHeaderPacket(const SensorRecording &rec);
// The 29-byte data packet of one sample.
QByteArray encodeDataPacket(const SensorSample &sample);
// Appends "{", the packet with 0x7B/0x7C/0x7D escaped (with escapeAll every byte that can
// travel escaped, that is all but 0x5B/0x5C/0x5D), "}".
void appendFrame(QByteArray &out, const QByteArray &packet, bool escapeAll = false);
// The whole upload stream: the header frame, then one frame per announced record.
QByteArray encodeStream(const SensorRecording &rec, bool escapeAll = false);

// A recording as a sensor would hold the measurement in info and slot's samples and event
// list (for a recording read through the measurement file reader). Values are rounded to the
// packet's raw counts; an interval or range not in the code tables takes the nearest code.
SensorRecording recordingFromStore(const DATA_INFO_TYPE &info, int slot);
// count samples of smooth, deterministic test data (events every 100th sample when marks).
SensorRecording generateRecording(int count, int rateCode = 1, bool marks = true);
