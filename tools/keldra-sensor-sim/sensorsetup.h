// From a sensor description to the sensor model behind the simulated peripheral.
#pragma once

#include "sensormodel.h"
#include "simconfig.h"

// The recording of sensorSpec: its measurement file read as the viewer reads it, or a generated
// one. False with a message when the file cannot be used.
bool loadRecording(const SensorSpec &sensorSpec, SensorRecording *recording, QString *error);
// A model named, paired and misbehaving as sensorSpec says, holding recording.
SensorModel buildModel(const SensorSpec &sensorSpec, const SensorRecording &recording);
