// JSON Lines output of keldra-tool: numbers that parse back to the same value, and the
// objects every subcommand prints for a measurement header and a sample.
#pragma once

#include "store.h"

#include <QByteArray>
#include <QString>

// Shortest text that parses back to the same 32-bit float (null when not finite).
QByteArray jsonFloat(float value);
// Shortest text that parses back to the same double (null when not finite).
QByteArray jsonDouble(double value);
// A JSON string literal, escaped.
QByteArray jsonString(const QString &text);
// "YYYY-MM-DD hh:mm:ss.zzz"
QByteArray jsonDateTime(TDateTime value);

// The header object of a measurement in slot (shown in window): the keys "slot", "window",
// "DeviceType", "Log_Device", "NumCH", "Ex_count", "Log_Rate", "Log_FatThick", "Log_Range",
// "Rev2", "Log_start", "Log_end", "events" (the slot's list up to its first -1) and
// "InfoLabel".
QByteArray headerObject(int slot, int window, const DATA_INFO_TYPE &info, const QString &infoLabel);
// {"Seq", "Time_ms" (rounded), "Status", "Nirs" [4], "Acc" [3], "Gyr" [3]}; withBatt adds
// "Batt" after "Status".
QByteArray sampleObject(const SAMPLE_TYPE &sample, bool withBatt = false);
// Writes one object and its line end to stdout.
void printLine(const QByteArray &object);
