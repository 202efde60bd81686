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

// Lines 0 to 4 of a standard-form file for the header (each with its CR LF).
QByteArray formatHeaderLines(const DATA_INFO_TYPE &info);
// One sample line, CR LF included, written to out (room for SAMPLE_LINE_MAX bytes); returns
// its length. event puts "S1" in the EVENT cell.
int formatSampleLine(char *out, const SAMPLE_TYPE &sample, bool event);
QByteArray formatSampleLine(const SAMPLE_TYPE &sample, bool event);
