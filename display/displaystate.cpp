// The display globals and their start-up values.
#include "displaystate.h"

int32_t ArrangeMode = 0;
bool DataVisible[SERIES_COUNT] = {};
QColor DataColor[SERIES_COUNT] = {SERIES_COLOURS[0], SERIES_COLOURS[1], SERIES_COLOURS[2],
                                  SERIES_COLOURS[3]};
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
