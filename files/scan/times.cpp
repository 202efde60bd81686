// TIME cells: the quick readings of the short shapes beside the plain field-by-field one.
#include "times.h"

#include "numbers.h"

#include <bit>

bool splitFields(std::string_view text, const char *seps, int count, int *out)
{
    for (int i = 0; i < count; ++i)
        out[i] = 0;
    for (int i = 0; i < count; ++i) {
        std::string_view field = text;
        if (i < count - 1) {
            const size_t p = text.find(seps[i]);
            if (p == std::string_view::npos)
                return true;
            field = text.substr(0, p);
            text.remove_prefix(p + 1);
        }
        if (!parseNumber(field, out[i]))
            return false;
    }
    return true;
}

bool writerTime(uint64_t word, int len, int t[3])
{
    using namespace number_detail;
    constexpr uint64_t COLONS = uint64_t(':') << 16 | uint64_t(':') << 40;
    constexpr uint64_t LEADS = 0x0020000020000020ULL; // blanks in bytes 0, 3 and 6
    constexpr uint64_t UNITS = 0x8000008000008000ULL; // bytes 1, 4 and 7
    if (len != SHORT_CELL_MAX)
        return false;
    const uint64_t x = word ^ (ONES * '0');
    const uint64_t digits = belowTen(x);
    const uint64_t keep = (digits >> 7) * 0xFF;
    // Without its digits the cell holds the colons and at most the leading blanks.
    if ((digits & UNITS) != UNITS || ((word & ~keep) & ~LEADS) != COLONS)
        return false;
    const uint64_t v = (x & keep) * 10 + ((x & keep) >> 8); // tens and units of each field
    t[0] = int(v & 0xFF);
    t[1] = int(v >> 24 & 0xFF);
    t[2] = int(v >> 48 & 0xFF);
    return true;
}

bool shortTime(uint64_t word, int len, int t[3])
{
    using namespace number_detail;
    if (len < 5 || len > SHORT_CELL_MAX)
        return false;
    const uint64_t w = word >> (8 * (SHORT_CELL_MAX - len)); // from the bottom byte
    const uint64_t colons = equalBytes(w, ':') & (HIGHS >> (64 - 8 * len));
    const uint64_t afterFirst = colons & (colons - 1);
    // A colon after each of the first two fields only.
    if (afterFirst == 0 || (afterFirst & (afterFirst - 1)) != 0)
        return false;
    const int first = std::countr_zero(colons) / 8;
    const int second = std::countr_zero(afterFirst) / 8;
    const int from[3] = {0, first + 1, second + 1};
    const int to[3] = {first, second, len};
    for (int i = 0; i < 3; ++i) {
        const int n = to[i] - from[i]; // below 8
        if (n == 0)
            return false;
        const uint64_t field = (w >> (8 * from[i])) << (8 * (SHORT_CELL_MAX - n)); // on top
        if (!parseShortNumber(field, n, t[i]))
            return false;
    }
    return true;
}
