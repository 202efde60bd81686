// The simulated sensor itself, without any link: what it advertises, what it holds, how it
// answers commands and how it streams an upload. A front puts it behind a transport (the
// simulated Bluetooth LE central in SimulatedCentral; a simulated BlueZ daemon could be a
// second one) and pumps its notifications.
//
// API for a front:
//   - name(), paired, offersService / hasNotifyCharacteristic / hasWriteCharacteristic,
//     connectable: what discovery and service discovery see.
//   - linkUp() when a central connects, linkDown() when the link closes (stops streaming).
//   - receiveWrite(bytes): one GATT write to the write characteristic; true when the sensor
//     acknowledges it (false with neverCompleteWrite: the completion never comes).
//   - hasNotification() / nextNotification(): the next notification of at most
//     notificationSize bytes while an upload streams (the front decides the pace).
//   - linkDropRequested(): true once the packets up to loseLinkAfterPacket have all gone out;
//     the front then drops the link (and calls linkDown()).
// Commands understood (STX text ETX frames, several per write): "RS,yymmddhhnnss" stores the
// clock; "GS4" streams the header packet and the data packets; "GC" stops the stream; "@CLR"
// clears the recording (a later upload announces 0 records); "SS..." stores the conditions.
#pragma once

#include "sensorrecording.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class SensorModel
{
public:
    struct Conditions
    {
        int rateCode = -1;
        int thick = -1; // tenths of a millimetre
        int accCode = -1;
        int gyroCode = -1;
        int autoOffMinutes = -1;
        bool operator==(const Conditions &) const = default;
    };

    explicit SensorModel(const QString &serial = QStringLiteral("0001"));

    // Advertised name: "Vm731-" + serial unless a full name was set.
    QString name() const { return m_name; }
    void setSerial(const QString &serial);
    void setName(const QString &fullName) { m_name = fullName; }

    bool paired = true;
    bool connectable = true;
    bool offersService = true;
    bool hasNotifyCharacteristic = true;
    bool hasWriteCharacteristic = true;

    // Notification payload size in bytes (at least 1).
    int notificationSize = 20;

    // Misbehaviours.
    int loseLinkAfterPacket = -1; // data packets sent before the link drops; -1: never
    bool neverCompleteWrite = false;
    // A write holding this command is neither acted on nor answered: the link drops instead
    // (empty: none).
    QString loseLinkOnCommand;
    QByteArray garbage;            // sent in front of every frame
    bool escapeEverything = false; // every payload byte escaped

    void setRecording(const SensorRecording &recording) { m_recording = recording; }
    const SensorRecording &recording() const { return m_recording; }

    // Link side.
    void linkUp();
    void linkDown();
    bool receiveWrite(const QByteArray &bytes);
    bool hasNotification() const;
    QByteArray nextNotification();
    bool linkDropRequested() const
    {
        return m_dropNow || (m_dropRequested && m_outPos >= m_out.size());
    }

    // What the sensor has seen and done.
    QList<QByteArray> writes; // every write, as received
    QStringList commands;     // every command text, in order
    QString clock;            // digits of the last "RS," command, empty when none
    Conditions conditions;    // the last "SS" command
    int clears = 0;           // "@CLR" commands
    int uploads = 0;          // "GS4" commands
    int cancels = 0;          // "GC" commands
    bool linked() const { return m_linked; }
    bool streaming() const { return m_streaming; }
    int32_t dataPacketsSent() const { return m_dataSent; }

private:
    void command(const QString &text);
    void fillOut(qsizetype want);
    void parseConditions(const QString &text);

    QString m_name;
    SensorRecording m_recording;
    bool m_linked = false;
    bool m_streaming = false;
    bool m_headerSent = false;
    bool m_dropRequested = false;
    bool m_dropNow = false;
    int32_t m_dataSent = 0;
    QByteArray m_out;
    qsizetype m_outPos = 0;
};
