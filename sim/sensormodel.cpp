// The simulated sensor's command handling and upload stream.
#include "sensormodel.h"
#include "protocol.h"

#include <QRegularExpression>

SensorModel::SensorModel(const QString &serial)
{
    setSerial(serial);
}

void SensorModel::setSerial(const QString &serial)
{
    m_name = QLatin1String(SENSOR_NAME_PREFIX) + serial;
}

void SensorModel::linkUp()
{
    m_linked = true;
    m_dropRequested = false;
    m_dropNow = false;
}

void SensorModel::linkDown()
{
    m_linked = false;
    m_streaming = false;
    m_dropRequested = false;
    m_dropNow = false;
    m_out.clear();
    m_outPos = 0;
}

bool SensorModel::receiveWrite(const QByteArray &bytes)
{
    writes.append(bytes);
    if (!loseLinkOnCommand.isEmpty() &&
        bytes.contains(char(COMMAND_STX) + loseLinkOnCommand.toLatin1() + char(COMMAND_ETX))) {
        m_dropNow = true;
        return false;
    }
    qsizetype at = 0;
    while ((at = bytes.indexOf(char(COMMAND_STX), at)) >= 0) {
        const qsizetype end = bytes.indexOf(char(COMMAND_ETX), at + 1);
        if (end < 0)
            break;
        command(QString::fromLatin1(bytes.mid(at + 1, end - at - 1)));
        at = end + 1;
    }
    return !neverCompleteWrite;
}

void SensorModel::command(const QString &text)
{
    commands.append(text);
    if (text.startsWith(QLatin1String(COMMAND_DATETIME_PREFIX))) {
        clock = text.mid(3);
    } else if (text == QLatin1String(COMMAND_UPLOAD)) {
        ++uploads;
        m_streaming = true;
        m_headerSent = false;
        m_dataSent = 0;
        m_out.clear();
        m_outPos = 0;
    } else if (text == QLatin1String(COMMAND_CANCEL)) {
        ++cancels;
        m_streaming = false;
        m_out.clear();
        m_outPos = 0;
    } else if (text == QLatin1String(COMMAND_CLEAR)) {
        ++clears;
        m_recording.samples.clear();
        m_recording.announced = -1;
    } else if (text.startsWith(QLatin1String(COMMAND_SETUP_PREFIX))) {
        parseConditions(text);
    }
}

void SensorModel::parseConditions(const QString &text)
{
    static const QRegularExpression re(
        QStringLiteral("^SS(\\d),(\\d{3}),(\\d)(\\d),000,(\\d{2})$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return;
    conditions = {m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                  m.captured(4).toInt(), m.captured(5).toInt()};
}

bool SensorModel::hasNotification() const
{
    return m_linked && (m_outPos < m_out.size() || m_streaming);
}

void SensorModel::fillOut(qsizetype want)
{
    if (m_outPos > 0 && m_outPos >= m_out.size() / 2) {
        m_out.remove(0, m_outPos);
        m_outPos = 0;
    }
    const int32_t count = m_recording.announcedCount();
    const auto &samples = m_recording.samples;
    while (m_streaming && m_out.size() - m_outPos < want) {
        m_out.append(garbage);
        if (!m_headerSent) {
            appendFrame(m_out, encodeHeaderPacket(m_recording), escapeEverything);
            m_headerSent = true;
        } else if (m_dataSent < count && !samples.isEmpty()) {
            appendFrame(m_out, encodeDataPacket(samples[m_dataSent % samples.size()]),
                        escapeEverything);
            ++m_dataSent;
        }
        if (loseLinkAfterPacket >= 0 && m_dataSent >= loseLinkAfterPacket) {
            m_streaming = false;
            m_dropRequested = true;
        } else if (m_dataSent >= count || samples.isEmpty()) {
            m_streaming = false;
        }
    }
}

QByteArray SensorModel::nextNotification()
{
    const qsizetype size = std::max(1, notificationSize);
    fillOut(size);
    const qsizetype n = std::min(size, m_out.size() - m_outPos);
    QByteArray chunk = m_out.mid(m_outPos, n);
    m_outPos += n;
    return chunk;
}
