// EDF+ export: every series of every channel as a 16-bit signal with its label, its unit and a
// physical range taken from the data, the start date and time of the recording, event marks
// and the spans of unmeasured samples as annotations ("Event", "BAD_filled", "BAD_repeated",
// "BAD_blank"; the unmeasured samples keep the values the reader copied into them).
//
// EDF+ rather than BDF+: it is what EDF readers and MNE-Python's read_raw_edf take, and 16
// bits over a series' own range leave a step of range / 65535, below the sensor's resolution
// for the ranges a recording spans (a 10 mM span gives 0.00015 mM; the file keeps 0.0001 mM).
//
// A data record holds up to one second of samples, as many as divide the recording evenly, so
// that no record is padded.
#pragma once

#include "recording.h"

#include <QByteArray>

// Writes the recording to path whole or not at all; an empty string on success, else why not.
QString writeEdf(const ExportRecording &recording, const QString &path,
                 const ExportProgress &progress = {});

// A signal's physical range as the header carries it: at most 8 characters each, lo rounded
// down and hi rounded up, at least one unit apart when the data are constant. ok is false
// when a value needs more than 8 characters.
struct EdfRange
{
    QByteArray min, max;
    bool ok = false;
};
EdfRange edfRange(double lo, double hi);
