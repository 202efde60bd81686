// The quick ways through a plain line, the kind nearly every line of a measurement file is:
// its LF within reach, no CR and no byte from 0x80 on before it but one CR directly before
// the LF. Each tier gives exactly what plainLineReference gives, or declines with -1 (the
// reader then takes the line byte by byte).
#pragma once

#include <cstddef>

// The plain line at p (bytes up to end) when it has at most room bytes: copies them to out
// (which has room + 1 bytes: a tier may write one more), returns their number and sets *lf to
// the LF's offset. -1 when the line is not plain or longer than room bytes. Byte by byte.
int plainLineReference(const char *p, const char *end, char *out, size_t room, size_t *lf);

// Sixteen bytes a step, copying as it scans; declines a line whose LF is not in the blocks
// that lie whole before end and within room + 1 bytes. Only where simd::BYTE_BLOCKS.
int plainLineBlocks(const char *p, const char *end, char *out, size_t room, size_t *lf);

// memchr for the LF, then eight bytes a step for CR and high bytes: never declines a line
// the reference takes.
int plainLineWords(const char *p, const char *end, char *out, size_t room, size_t *lf);
