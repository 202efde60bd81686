// Building the command frames written to the sensor.
#include "commands.h"
#include "protocol.h"

QByteArray frameCommand(const QString &text)
{
    QByteArray frame;
    frame.reserve(text.size() + 2);
    frame.append(char(COMMAND_STX));
    frame.append(text.toLatin1());
    frame.append(char(COMMAND_ETX));
    return frame;
}

QString SyncDateTimeString(const QDateTime &now)
{
    const QDateTime t = now.toLocalTime().addMSecs(500);
    const QDate d = t.date();
    const QTime h = t.time();
    return QString::asprintf("RS,%.2d%.2d%.2d%.2d%.2d%.2d", d.year() % 100, d.month(), d.day(),
                             h.hour(), h.minute(), h.second());
}

QString SyncDateTimeString()
{
    return SyncDateTimeString(QDateTime::currentDateTime());
}

QString setupCommand(int rateIndex, int thick, int accIndex, int gyroIndex, int autoOffIndex)
{
    auto in = [](int v, int count) { return v >= 0 && v < count; };
    if (!in(rateIndex, RATE_CODE_COUNT) || !in(accIndex, ACC_CODE_COUNT) ||
        !in(gyroIndex, GYRO_CODE_COUNT) || !in(autoOffIndex, AUTO_OFF_CODE_COUNT))
        return QString();
    return QString::asprintf("SS%1d,%.3d,%1d%1d,000,%.2d", rateIndex, thick, accIndex, gyroIndex,
                             AUTO_OFF_TABLE_MIN[autoOffIndex]);
}

QByteArray commandBytes(const QString &text, bool tsync, const QDateTime &now)
{
    if (text.isEmpty())
        return QByteArray();
    QByteArray bytes;
    if (tsync)
        bytes = frameCommand(SyncDateTimeString(now));
    bytes += frameCommand(text);
    return bytes;
}

QString hexBytes(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}
