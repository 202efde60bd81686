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

// Reads fileName back the way Open reads it, storing and showing nothing, and compares it with
// the recording it was saved from (NewInfo[0] and the samples and event marks of slot FreeNo)
// as the file carries them: the header, every sample and every mark. True when they agree.
// The staging area and slot FreeNo hold afterwards what they held before.
bool SavedFileMatches(const QString &fileName);

// The message shown for a cell that holds no valid number, date or time.
QString conversionErrorText(const FileValueError &error);
