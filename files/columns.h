// Splitting a line of a measurement file into cells and checking its header and sample lines
// into the staging area of the store (NewInfo, NewSample, the event lists of FreeNo/FreeNo2).
#pragma once

#include "linebuffer.h"
#include "numbers.h"

#include <QByteArray>
#include <string_view>

// Cell counts of line 0 that tell the forms apart.
inline constexpr int HEADER_CELLS_MIN = 6;      // fewer: not a measurement file
inline constexpr int HEADER_CELLS_STANDARD = 9; // from here on: with the RANGE group
inline constexpr int HEADER_CELLS_TWO = 19;     // from here on: a second channel
inline constexpr int SECOND_CHANNEL_CELLS = 15; // a second channel's header cells start here
inline constexpr int SECOND_CHANNEL_SHIFT = 13; // ... and its sample cells this far behind

// Cells of a sample line (and of the title line above them) for the first channel; a second
// channel's stand SECOND_CHANNEL_SHIFT further on, from EVENT.
namespace sample_cell {
inline constexpr int TIME = 0;
inline constexpr int SEQ = 1;
inline constexpr int EVENT = 3;   // "S..." marks an event
inline constexpr int ERROR = 4;   // "E..." flags the sample
inline constexpr int NIRS = 5;    // AXES values, then PERCENT: the standard form ...
inline constexpr int PERCENT = 8; // StO2 in %
inline constexpr int ACC = 9;     // AXES values
inline constexpr int GYR = 12;    // AXES values
inline constexpr int END = 15;    // behind the last of them
inline constexpr int AXES = 3;
inline constexpr int SHORT_NIRS = 5;    // ... the short form: one value
inline constexpr int SHORT_PERCENT = 6; // and StO2
static_assert(PERCENT == NIRS + AXES && ACC == PERCENT + 1 && GYR == ACC + AXES &&
              END == GYR + AXES);
} // namespace sample_cell
inline constexpr int SAMPLE_CELLS_MIN = sample_cell::SHORT_PERCENT + 1; // also a title line's

// Header items of line 0, one bit each as they are accepted.
inline constexpr unsigned HEAD_SN = 0x1;
inline constexpr unsigned HEAD_NAME = 0x2;
inline constexpr unsigned HEAD_RATE = 0x4;
inline constexpr unsigned HEAD_RATE_VALUE = 0x8;
inline constexpr unsigned HEAD_TH = 0x10;
inline constexpr unsigned HEAD_TH_VALUE = 0x20;
inline constexpr unsigned HEAD_RANGE = 0x40;
inline constexpr unsigned HEAD_ACC_RANGE = 0x80;
inline constexpr unsigned HEAD_GYR_RANGE = 0x100;
inline constexpr unsigned HEAD_SN2 = 0x200;
inline constexpr unsigned HEAD_NAME2 = 0x400;
inline constexpr unsigned HEAD_TH2 = 0x800;
inline constexpr unsigned HEAD_TH2_VALUE = 0x1000;
inline constexpr unsigned HEAD_SHORT_FORM = 0x3F;
inline constexpr unsigned HEAD_STANDARD_FORM = 0x1FF;
inline constexpr unsigned HEAD_TWO_CHANNEL_FORM = 0x1FFF;

// Thrown when a cell that must hold a number, a date or a time holds something else. The
// reading stops at once; the reader turns it into a message naming line, cell and text.
struct FileValueError
{
    enum Kind { Number, DateTime, TimeOfDay };
    Kind kind;
    int fileLine;    // from 1
    int cell;        // from 0
    QByteArray text; // the cell as it stands in the file
};

// Splits buff into cells (pos, len, cn) and sets str; an empty line gives one empty cell.
void SplitColumns(LINE_BUFF_TYPE &line);
// Splits the line, then checks line 0 itself or hands lines 1 and on to the parser of
// CurDeviceType. True for an error; throws FileValueError for a conversion error.
bool GetColumn(LINE_BUFF_TYPE &line);
// Lines 1 and on of a Vm731 file (line number in ln). True for an error; throws
// FileValueError for a conversion error.
bool GetColumn731(LINE_BUFF_TYPE &line);
// Lines 1 and on of a Vm732 file: their layout is not known, nothing is read.
bool GetColumn732(LINE_BUFF_TYPE &line);
