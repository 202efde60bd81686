// The export formats by name and by file-name suffix, and the recording writer of each.
#pragma once

#include "recording.h"

#include <QString>

enum class ExportFormat { Snirf, Edf, Png, Svg, Pdf };

// "snirf", "edf", "png", "svg" or "pdf" (any case); false for anything else.
bool exportFormatNamed(const QString &name, ExportFormat *format);
// The format a file name asks for by its suffix; false when it names none.
bool exportFormatOfPath(const QString &path, ExportFormat *format);
QString exportFormatName(ExportFormat format);
bool isPictureFormat(ExportFormat format);

// Writes the recording in a recording format (SNIRF or EDF+); an empty string on success.
QString writeRecording(const ExportRecording &recording, ExportFormat format, const QString &path,
                       const ExportProgress &progress = {});
