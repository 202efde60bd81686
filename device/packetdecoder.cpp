// Decoding of the sensor's 29-byte header and data packets into the store.
#include "packetdecoder.h"
#include "protocol.h"

#include <algorithm>
#include <bit>

namespace {

uint16_t u16(const uint8_t *p)
{
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

int16_t s16(const uint8_t *p)
{
    return static_cast<int16_t>(u16(p));
}

uint32_t u32(const uint8_t *p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

float single(const uint8_t *p)
{
    return std::bit_cast<float>(u32(p));
}

int partOr(int value, int low, int high, int fallback)
{
    return value >= low && value <= high ? value : fallback;
}

// Header layout: byte offsets.
constexpr int H_MAGIC = 1, H_RATE = 3, H_THICK = 5, H_COUNT = 13, H_ACC = 17, H_GYRO = 19,
              H_YEAR = 22, H_MONTH = 23, H_DAY = 24, H_HOUR = 26, H_MINUTE = 27, H_SECOND = 28;
// Data layout: byte offsets.
constexpr int D_BATT = 1, D_STATUS = 3, D_OXY = 5, D_DEOXY = 9, D_STO2 = 13, D_ACC = 17, D_GYR = 23;

} // namespace

TDateTime decodeBcdStartTime(const uint8_t bcd[6])
{
    DateTimeParts p;
    const int year = bcdValue(bcd[0]);
    p.year = 2000 + (year > 99 ? 0 : year);
    p.month = partOr(bcdValue(bcd[1]), 1, 12, 1);
    p.day = partOr(bcdValue(bcd[2]), 1, 31, 1);
    // 31 April and the like: the last day of that month.
    p.day = std::min(p.day, daysInMonth(p.year, p.month));
    p.hour = partOr(bcdValue(bcd[3]), 0, 23, 0);
    p.minute = partOr(bcdValue(bcd[4]), 0, 59, 0);
    p.second = partOr(bcdValue(bcd[5]), 0, 59, 0);
    return encodeDateTime(p);
}

bool PacketDecoder::CheckPacket(int32_t count, const uint8_t *buff)
{
    if (count != PACKET_SIZE)
        return false;
    if (Log_Count == 0)
        return checkHeader(buff);
    storeSample(buff);
    return true;
}

bool PacketDecoder::checkHeader(const uint8_t *buff)
{
    if (buff[0] != 0 || u16(buff + H_MAGIC) != HEADER_MAGIC)
        return false;
    const uint16_t rate = u16(buff + H_RATE);
    const uint16_t acc = u16(buff + H_ACC);
    const uint16_t gyro = u16(buff + H_GYRO);
    const int32_t records = static_cast<int32_t>(u32(buff + H_COUNT));
    if (rate >= RATE_CODE_COUNT || acc >= ACC_CODE_COUNT || gyro >= GYRO_CODE_COUNT ||
        records < 0 || FreeNo < 0 || FreeNo >= SLOT_COUNT)
        return false;

    Log_Count = records;
    if (records == 0)
        return true;

    DATA_INFO_TYPE &info = NewInfo[0];
    info.DeviceType = DEVICE_VM731;
    ::setDeviceName(info, m_deviceName);
    info.Log_Rate = RATE_TABLE_MS[rate];
    info.Log_FatThick = single(buff + H_THICK);
    info.NumCH = 1;
    info.Rev2 = true;
    info.Log_Range[0] = ACC_TABLE_G[acc];
    info.Log_Range[1] = GYRO_TABLE_DPS[gyro];
    const uint8_t bcd[6] = {buff[H_YEAR], buff[H_MONTH],  buff[H_DAY],
                            buff[H_HOUR], buff[H_MINUTE], buff[H_SECOND]};
    info.Log_start = decodeBcdStartTime(bcd);
    info.Ex_count = 0;
    ClearEventList(FreeNo);
    m_accScale = info.Log_Range[0] / MOTION_FULL_SCALE_COUNTS;
    m_gyrScale = info.Log_Range[1] / MOTION_FULL_SCALE_COUNTS;
    return true;
}

void PacketDecoder::storeSample(const uint8_t *buff)
{
    DATA_INFO_TYPE &info = NewInfo[0];
    SAMPLE_TYPE &s = NewSample[0];
    s.Seq = info.Ex_count;
    s.Batt = static_cast<float>(u16(buff + D_BATT) * BATTERY_VOLTS_PER_COUNT);
    s.Status = u16(buff + D_STATUS);
    if (s.Status & STATUS_EVENT_MARK) {
        // Unlike a file's marks, a repeated mark for the same sample is kept once.
        for (int32_t &e : EventList[FreeNo]) {
            if (e < 0) {
                e = s.Seq;
                break;
            }
            if (e == s.Seq)
                break;
        }
        s.Status &= static_cast<uint16_t>(~STATUS_EVENT_MARK);
    }
    s.Nirs[0] = single(buff + D_OXY);
    s.Nirs[1] = single(buff + D_DEOXY);
    s.Nirs[2] = s.Nirs[0] + s.Nirs[1];
    s.Nirs[3] = single(buff + D_STO2);
    for (int i = 0; i < 3; ++i) {
        s.Acc[i] = static_cast<float>(s16(buff + D_ACC + 2 * i) * m_accScale);
        s.Gyr[i] = static_cast<float>(s16(buff + D_GYR + 2 * i) * m_gyrScale);
    }
    if (info.Ex_count >= SAMPLE_MAX)
        return;
    s.Time = msToDays(double(info.Ex_count) * info.Log_Rate);
    info.Log_end = info.Log_start + s.Time;
    SampleData[FreeNo][info.Ex_count] = s;
    ++info.Ex_count;
    Get_Count = info.Ex_count;
}
