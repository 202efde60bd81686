// Hours, minutes and seconds of a TIME cell: two quick readings beside the plain one. A quick
// reading that returns true gives the fields timeFieldsReference gives; false sends the cell
// to the plain reading, which then gives the fields or the refusal.
#pragma once

#include <cstdint>
#include <string_view>

// Integers of text separated by seps in turn (count - 1 of them), the last one running to the
// end, each read by parseNumber. A missing separator leaves that integer and the later ones 0.
// False when a field present is no integer.
bool splitFields(std::string_view text, const char *seps, int count, int *out);

// The TIME rule: splitFields with two colons.
inline bool timeFieldsReference(std::string_view text, int t[3])
{
    return splitFields(text, "::", 3, t);
}

// The writer's TIME cell, "%2d:%2d:%2d" (a blank for a leading zero), in one step: false for
// any other cell. word and len as cellWord gives them.
bool writerTime(uint64_t word, int len, int t[3]);

// hours:minutes:seconds in a cell of 5 to 8 bytes, each field read as a short number: false
// for any other shape.
bool shortTime(uint64_t word, int len, int t[3]);

// Lines share their TIME while the sampling interval is under a second: the same bytes give
// the same time. One reading of a file keeps the last short cell's here.
struct TimeMemo
{
    uint64_t word = 0;
    int len = 0; // none yet
    double time = 0;

    bool holds(uint64_t w, int n) const { return n == len && w == word; }
};
