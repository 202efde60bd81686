// Display state of the graph windows beyond their records: series switches and colours, the
// arrangement and the readout cursor.
#pragma once

#include "store.h"

#include <QColor>

inline constexpr int SERIES_COUNT = 4;

extern int32_t ArrangeMode;            // 0 stacked, 1 two columns
extern bool DataVisible[SERIES_COUNT]; // OXHb, DXHb, TOHb, StO2 shown
// OXHb, DXHb, TOHb, StO2; the sensor plots draw their X, Y and Z in the first three.
inline const QColor SERIES_COLOURS[SERIES_COUNT] = {QColor(255, 0, 0), QColor(0, 0, 255),
                                                    QColor(0, 128, 0), QColor(128, 0, 128)};
extern QColor DataColor[SERIES_COUNT]; // their curve colours
extern int32_t CursorWindow;           // window holding the readout cursor, -1 none
extern int32_t CursorIndex;            // sample index of the cursor, -1 none

// The free-window values of every display global (not the window records).
void ResetDisplayState();
