// The display globals and their start-up values.
#include "displaystate.h"

int32_t ArrangeMode = 0;
bool DataVisible[SERIES_COUNT] = {};
QColor DataColor[SERIES_COUNT] = {QColor(255, 0, 0), QColor(0, 0, 255), QColor(0, 128, 0),
                                  QColor(128, 0, 128)};
int32_t CursorWindow = -1;
int32_t CursorIndex = -1;

void ResetDisplayState()
{
    ArrangeMode = 0;
    for (bool &v : DataVisible)
        v = false;
    CursorWindow = -1;
    CursorIndex = -1;
}
