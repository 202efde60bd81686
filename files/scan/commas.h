// Splitting a line at its commas, the quick ways beside the byte-by-byte one. Each gives the
// same cells: pos[k] and len[k] for cell k, for at most cellMax cells (what follows the last
// one's comma is ignored). Returns the index of the last cell (cellMax when the line has more).
#pragma once

#include <cstdint>

// Byte by byte: the rule itself.
int splitCommasReference(const char *s, int32_t n, int32_t *pos, int32_t *len, int cellMax);
// Eight bytes a step, the rest byte by byte.
int splitCommasWords(const char *s, int32_t n, int32_t *pos, int32_t *len, int cellMax);
// 32, then 16 bytes a step (where simd::BYTE_BLOCKS), then as splitCommasWords: the reader's.
int splitCommasBlocks(const char *s, int32_t n, int32_t *pos, int32_t *len, int cellMax);
