// SNIRF 1.1 export (HDF5): the haemoglobin series as processed data, the motion channels and
// the battery as auxiliary series, event marks and unmeasured samples as stimuli.
//
// Layout of /nirs (channel c = 1 or 2 of the recording is source c and detector c):
//   metaDataTags  SubjectID (serial number), MeasurementDate, MeasurementTime (Log_start,
//                 the sensor's local time, no zone), LengthUnit "mm", TimeUnit "s",
//                 FrequencyUnit "Hz", ManufacturerName, Model, FatThickness (mm)
//   data1         time (s), dataTimeSeries: "HbO" and "HbR" per channel, in molar
//                 (the file's mM / 1000); dataType 99999
//   data2         "HbT" (molar) and "StO2" (percent) per channel
//   aux1..        AccX..GyrZ (G, deg/s) and Batt (V) per channel, with the data's time
//   stim1..       "Event" marks (onset, 0 s, 1); "BAD_filled", "BAD_repeated", "BAD_blank"
//                 spans of samples that were not measured (onset, duration, 1); the values of
//                 those samples stay in the data, copied from the sample before them
//   probe         wavelengths: two placeholders of 0 nm (the sensor's are not recorded;
//                 readers expect two); source and detector positions: placeholders at 0
// A recording without the motion channels (the short form) has HbT and StO2 in data1.
#pragma once

#include "recording.h"

// Writes the recording to path whole or not at all; an empty string on success, else why not.
QString writeSnirf(const ExportRecording &recording, const QString &path,
                   const ExportProgress &progress = {});
