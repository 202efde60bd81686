// The main window's picture as Print takes it (the client area below the menu bar, drawn by
// the widgets' own paint code) written to PNG at twice the screen's resolution, or to SVG and
// PDF as vectors: the widgets paint straight into the SVG or PDF painter.
#pragma once

#include "exportformat.h"

#include <QString>

class QWidget;

// Writes the picture of window below menuBar (may be nullptr) to path in format, whole or not
// at all; an empty string on success, else why not.
QString writePicture(QWidget *window, QWidget *menuBar, ExportFormat format, const QString &path);
