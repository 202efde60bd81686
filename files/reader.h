// The Open command: reads one measurement file, chosen in the open dialog, into the lowest
// free slot (two slots for a two-channel file) and enters it into the next graph window.
#pragma once

#include "columns.h"
#include "linebuffer.h"
#include "prompts.h"

// The whole Open command. Every question and message goes through prompts; on success the
// measurement is in the store and shown through the store's window side.
void OpenMeasurementFile(Prompts &prompts);
// The same command for a file already named (the command line, a drop on the window): the
// same checks and messages, only without the dialog.
void OpenMeasurementFile(Prompts &prompts, const QString &name);

// The message shown for a cell that holds no valid number, date or time.
QString conversionErrorText(const FileValueError &error);
