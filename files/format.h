// The measurement file's lines as the writer produces them: ASCII, every line ending in CR LF,
// numbers in fixed formats with "." as the decimal separator whatever the user's locale.
#pragma once

#include "store.h"

#include <QByteArray>

// Room a caller must give formatSampleLine (the longest line any float values can make).
inline constexpr int SAMPLE_LINE_MAX = 1024;

inline constexpr char LINE_END[] = "\r\n";
inline constexpr char TITLE_LINE[] =
    "TIME,SEQ,BATT[V],EVENT,ERROR,OXHb[mM],DXHb[mM],TOHb[mM],StO2[%],AccX[G],AccY[G],AccZ[G],"
    "GyrX[deg/s],GyrY[deg/s],GyrZ[deg/s]";
inline constexpr char CHANNEL_LINE[] = ",,CH1";

// Number writers in the file's conventions, appending at p and returning the end.
// Integer: right-aligned in at least `width` characters (blank padded), at least `digits`
// digits (zero padded) - "%4d" is (4, 1), "%.2d" is (0, 2).
char *putInt(char *p, int64_t value, int width = 0, int digits = 1);
// Fixed-point: `decimals` decimals, right-aligned in at least `width` characters ("%7.4f").
char *putFixed(char *p, double value, int width, int decimals);
// Text made ASCII: every character outside printable ASCII (a UTF-8 sequence counts as one)
// becomes "?", so that a name can neither leave ASCII nor break the line.
char *putAscii(char *p, const char *utf8, int maxBytes);

// What the writer does with values the file cannot carry, so that every file it writes reads
// back: a sample value that is not a finite number below VALUE_LIMIT in size is written as an
// empty cell, which reads as 0; the fat thickness is kept within the 0 to 11 mm the header
// allows (not a number: 0); a comma in the sensor's name becomes "?" and the name is cut at
// DEVICE_NAME_CARRIED bytes, so that line 0 stays within the reader's line length.
inline constexpr double VALUE_LIMIT = 1e9;
inline constexpr int DEVICE_NAME_CARRIED = 400;
inline constexpr double FAT_THICK_MIN = 0;
inline constexpr double FAT_THICK_MAX = 11;
// True when a sample value (as written: StO2 in %) goes into the file as it is.
bool cellCarries(double value);
// The value a sample cell reads back as, before the rounding to its decimals.
inline double carriedValue(double value)
{
    return cellCarries(value) ? value : 0;
}
// The fat thickness as the header carries it.
double carriedFatThick(double value);
// The sensor's name as line 0 carries it (ASCII, no comma), into out (DEVICE_NAME_MAX + 1).
void carriedDeviceName(const DATA_INFO_TYPE &info, char *out);

// Lines 0 to 4 of a standard-form file for the header (each with its CR LF).
QByteArray formatHeaderLines(const DATA_INFO_TYPE &info);
// One sample line, CR LF included, written to out (room for SAMPLE_LINE_MAX bytes); returns
// its length. event puts "S1" in the EVENT cell.
int formatSampleLine(char *out, const SAMPLE_TYPE &sample, bool event);
QByteArray formatSampleLine(const SAMPLE_TYPE &sample, bool event);
