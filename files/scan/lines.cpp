// Plain-line scanners of the reader, each beside the byte-by-byte rule it must match.
#include "lines.h"

#include "simd.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace {

constexpr uint64_t ONES = 0x0101010101010101ULL;
constexpr uint64_t HIGHS = 0x8080808080808080ULL;

bool isOdd(unsigned char b)
{
    return b == '\r' || b >= 0x80;
}

// True when none of the bytes needs the rules of ReadLine (no CR, nothing from 0x80 on),
// checked eight bytes at a time: a byte is CR exactly when its xor with CR is zero.
bool plainBytes(const char *p, size_t n)
{
    uint64_t bad = 0;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        const uint64_t cr = w ^ (ONES * '\r');
        bad |= (w | ((cr - ONES) & ~cr)) & HIGHS;
    }
    for (; i < n; ++i) {
        const auto b = static_cast<unsigned char>(p[i]);
        bad |= (b & 0x80) | (b == '\r');
    }
    return bad == 0;
}

} // namespace

int plainLineReference(const char *p, const char *end, char *out, size_t room, size_t *lf)
{
    // A line of room bytes has its LF at room + 1 at the furthest (behind its CR).
    const size_t span = std::min(size_t(end - p), room + 2);
    size_t i = 0;
    while (i < span && p[i] != '\n')
        ++i;
    if (i == span)
        return -1;
    const size_t len = i > 0 && p[i - 1] == '\r' ? i - 1 : i;
    if (len > room)
        return -1;
    for (size_t j = 0; j < len; ++j) {
        if (isOdd(static_cast<unsigned char>(p[j])))
            return -1;
        out[j] = p[j];
    }
    *lf = i;
    return int(len);
}

int plainLineBlocks(const char *p, const char *end, char *out, size_t room, size_t *lf)
{
    if constexpr (!simd::BYTE_BLOCKS)
        return -1;
    unsigned crCarried = 0; // a CR in the last byte of the block before
    const size_t limit = std::min(room + 1, size_t(end - p));
    for (size_t i = 0; i + 16 <= limit; i += 16) {
        const simd::ByteBlock v = simd::ByteBlock::load(p + i);
        std::memcpy(out + i, p + i, 16);
        const unsigned lfBits = v.equal('\n');
        // CR or a byte from 0x80 on: only a CR directly before the LF may stand in a line.
        const unsigned oddBits = v.equalOrHigh('\r');
        if (lfBits == 0) {
            if (crCarried) // a CR inside the line
                return -1;
            // Only the last byte may be odd: a CR that the next block's first byte may end.
            if (oddBits != 0 && (oddBits != 0x8000 || p[i + 15] != '\r'))
                return -1;
            crCarried = oddBits >> 15;
            continue;
        }
        if (crCarried && !(lfBits & 1))
            return -1;
        const int j = std::countr_zero(lfBits);
        const unsigned before = (1u << j) - 1;
        const unsigned lastBefore = j ? 1u << (j - 1) : 0;
        if (oddBits & before & ~lastBefore)
            return -1;
        // The byte before the LF, when flagged, must be a CR (not a byte from 0x80 on).
        const bool crEnd = j ? (oddBits & lastBefore) != 0 : crCarried != 0;
        if (j && crEnd && p[i + size_t(j) - 1] != '\r')
            return -1;
        const size_t at = i + size_t(j);
        const int len = int(at) - int(crEnd);
        if (size_t(len) > room)
            return -1;
        *lf = at;
        return len;
    }
    return -1;
}

int plainLineWords(const char *p, const char *end, char *out, size_t room, size_t *lf)
{
    const size_t span = std::min(size_t(end - p), room + 2);
    const void *found = std::memchr(p, '\n', span);
    if (!found)
        return -1;
    const auto *const stop = static_cast<const char *>(found);
    size_t len = size_t(stop - p);
    if (len > 0 && stop[-1] == '\r')
        --len;
    if (len > room || !plainBytes(p, len))
        return -1;
    std::memcpy(out, p, len);
    *lf = size_t(stop - p);
    return int(len);
}
