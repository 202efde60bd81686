// The packet decoder: turns the header packet and the data packets of an upload into the
// staging header NewInfo[0] and the samples and event marks of slot FreeNo. The main window
// owns one and forwards CheckPacket and the counters Log_Count / Get_Count to it.
#pragma once

#include "store.h"

#include <QString>
#include <cstdint>

// Start time of a header packet: the six BCD bytes (year within the century, month, day,
// hour, minute, second) to a local date-time. Out-of-range parts take their fallback (year
// 2000, month 1, day 1, hour/minute/second 0); a day past the month's end becomes its last day.
TDateTime decodeBcdStartTime(const uint8_t bcd[6]);
// One BCD byte: high nibble x 10 + low nibble (nibbles above 9 are not refused).
inline int bcdValue(uint8_t b)
{
    return (b >> 4) * 10 + (b & 0x0F);
}

class PacketDecoder
{
public:
    // Records announced by the header; 0 while no header has been accepted in this upload.
    int32_t Log_Count = 0;
    // Data packets stored so far in this upload (NewInfo[0].Ex_count).
    int32_t Get_Count = 0;

    // Both counters to 0: the next packet is taken as a header.
    void resetCounters()
    {
        Log_Count = 0;
        Get_Count = 0;
    }
    // The full name of the sensor being uploaded from (prefix included), given to Log_Device.
    void setDeviceName(const QString &name) { m_deviceName = name; }
    const QString &deviceName() const { return m_deviceName; }

    // count bytes of one frame in buff. True when accepted as a header or a data packet.
    // Refused (false, nothing changed): a length other than 29; in the header phase a byte 0
    // other than 0, a magic other than 0x1234, a code outside its table, a negative record
    // count, or no slot to fill (FreeNo -1).
    bool CheckPacket(int32_t count, const uint8_t *buff);

private:
    bool checkHeader(const uint8_t *buff);
    void storeSample(const uint8_t *buff);

    QString m_deviceName;
    double m_accScale = 0;
    double m_gyrScale = 0;
};
