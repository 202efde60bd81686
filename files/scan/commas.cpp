// Cell splitters of the reader, each beside the byte-by-byte rule it must match.
#include "commas.h"

#include "numbers.h"
#include "simd.h"

#include <bit>
#include <cstring>

namespace {

// The cells found so far: comma(i) closes the open cell at the comma in byte i and opens the
// next; false once the last cell allowed is closed.
struct Cells
{
    int32_t *pos;
    int32_t *len;
    int cellMax;
    int cn = 0;

    bool comma(int32_t i)
    {
        len[cn] = i - pos[cn];
        if (++cn == cellMax)
            return false;
        pos[cn] = i + 1;
        return true;
    }
};

// Each of the steps below goes on from byte i and leaves i where it stopped; false once the
// last cell allowed is closed.
bool blocks(const char *s, int32_t n, int32_t &i, Cells &c)
{
    // bit k of the mask is byte i + k.
    for (; i + 32 <= n; i += 32) {
        auto bits = simd::ByteBlock::load(s + i).equal(',') |
                    simd::ByteBlock::load(s + i + 16).equal(',') << 16;
        for (; bits != 0; bits &= bits - 1)
            if (!c.comma(i + std::countr_zero(bits)))
                return false;
    }
    for (; i + 16 <= n; i += 16) {
        auto bits = simd::ByteBlock::load(s + i).equal(',');
        for (; bits != 0; bits &= bits - 1)
            if (!c.comma(i + std::countr_zero(bits)))
                return false;
    }
    return true;
}

bool words(const char *s, int32_t n, int32_t &i, Cells &c)
{
    if constexpr (std::endian::native == std::endian::little) {
        // The lowest set bit is the first comma in memory.
        for (; i + 8 <= n; i += 8) {
            uint64_t w;
            std::memcpy(&w, s + i, 8);
            for (uint64_t bits = number_detail::equalBytes(w, ','); bits != 0; bits &= bits - 1)
                if (!c.comma(i + std::countr_zero(bits) / 8))
                    return false;
        }
    }
    return true;
}

bool bytes(const char *s, int32_t n, int32_t &i, Cells &c)
{
    for (; i < n; ++i)
        if (s[i] == ',' && !c.comma(i))
            return false;
    return true;
}

int finish(int32_t n, Cells &c)
{
    c.len[c.cn] = n - c.pos[c.cn];
    return c.cn;
}

} // namespace

int splitCommasReference(const char *s, int32_t n, int32_t *pos, int32_t *len, int cellMax)
{
    int cn = 0;
    pos[0] = 0;
    for (int32_t i = 0; i < n; ++i) {
        if (s[i] != ',')
            continue;
        len[cn] = i - pos[cn];
        if (++cn == cellMax)
            return cn;
        pos[cn] = i + 1;
    }
    len[cn] = n - pos[cn];
    return cn;
}

int splitCommasWords(const char *s, int32_t n, int32_t *pos, int32_t *len, int cellMax)
{
    Cells c{pos, len, cellMax};
    pos[0] = 0;
    int32_t i = 0;
    if (!words(s, n, i, c) || !bytes(s, n, i, c))
        return c.cn;
    return finish(n, c);
}

int splitCommasBlocks(const char *s, int32_t n, int32_t *pos, int32_t *len, int cellMax)
{
    Cells c{pos, len, cellMax};
    pos[0] = 0;
    int32_t i = 0;
    if constexpr (simd::BYTE_BLOCKS) {
        if (!blocks(s, n, i, c))
            return c.cn;
    }
    if (!words(s, n, i, c) || !bytes(s, n, i, c))
        return c.cn;
    return finish(n, c);
}
