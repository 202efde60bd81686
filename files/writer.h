// Saving an uploaded recording as a measurement file in the standard form.
#pragma once

#include "prompts.h"
#include "store.h"

class QIODevice;

// Writes NewInfo[0] and the samples and event marks of slot FreeNo to SaveDialogFileName.
// The new file is written whole under a temporary name beside the target and only then takes
// its place, so that an existing file stays untouched when the operator answers No or when
// anything fails, and no partial file is left behind. Returns true only when every byte is
// on disk; false without a message when there are no samples or no file name, and false after
// "Unable to create file." when the file cannot be created, written or completed.
bool Save(Prompts &prompts);

// Writes the measurement file of header info and the first info.Ex_count samples and the
// event marks of slot to out. False as soon as a write fails.
bool writeMeasurement(QIODevice &out, const DATA_INFO_TYPE &info, int slot);
