// The sensor's command texts and their framing: STX, the ASCII text, ETX; the date/time
// command travels in front of another command in the same write.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// 0x02, the text's bytes, 0x03.
QByteArray frameCommand(const QString &text);
// "RS,yymmddhhnnss" for now + 500 ms (the nearest whole second) in local time.
QString SyncDateTimeString(const QDateTime &now);
QString SyncDateTimeString();
// The "SS" set-up command from the condition list indexes and the fat thickness in tenths of
// a millimetre. An index outside its table gives an empty text.
QString setupCommand(int rateIndex, int thick, int accIndex, int gyroIndex, int autoOffIndex);
// The bytes of one write: the date/time frame (built for now) when tsync, then the frame of
// text. Empty when text is empty.
QByteArray commandBytes(const QString &text, bool tsync, const QDateTime &now);
// Upper-case hex with single spaces ("02 52 53").
QString hexBytes(const QByteArray &bytes);
