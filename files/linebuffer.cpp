// Chunked reading of measurement files and the line rules of the format.
#include "linebuffer.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

LineSource::LineSource(QIODevice &device)
    : m_device(device), m_chunk(std::make_unique<char[]>(CHUNK_BYTES))
{
}

bool LineSource::refill()
{
    const qint64 got = m_device.read(m_chunk.get(), CHUNK_BYTES);
    if (got <= 0) {
        m_failed = m_failed || got < 0;
        m_cur = m_end = m_chunk.get();
        return false;
    }
    m_cur = m_chunk.get();
    m_end = m_cur + got;
    return true;
}

namespace {

// After a cut at 511 bytes: CRs would be dropped anyway, and an LF directly behind them is
// this line's own end, not an empty line that would end the file.
void takeOwnLineEnd(LineSource &file)
{
    while (file.fill()) {
        const char b = *file.m_cur;
        if (b == '\r') {
            ++file.m_cur;
            continue;
        }
        if (b == '\n') {
            ++file.m_cur;
            ++file.m_lfCount;
        }
        return;
    }
}

constexpr uint64_t ONES = 0x0101010101010101ULL;
constexpr uint64_t HIGHS = 0x8080808080808080ULL;

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

#if defined(__SSE2__)
// A plain line at p, sixteen bytes at a time, copied to out as it is scanned: the first LF,
// with no byte from 0x80 on and no CR before it but one directly before the LF. Returns the
// line's length without its CR LF and sets *lf to the LF's offset; -1 when the line is not
// plain, or no LF shows up in the blocks that lie whole before end and fit in room bytes of
// out (the caller then takes the line byte by byte).
int plainLine(const char *p, const char *end, char *out, size_t room, size_t *lf)
{
    const __m128i lfs = _mm_set1_epi8('\n');
    const __m128i crs = _mm_set1_epi8('\r');
    unsigned crCarried = 0; // a CR in the last byte of the block before
    const size_t limit = std::min(room, size_t(end - p));
    for (size_t i = 0; i + 16 <= limit; i += 16) {
        __m128i v;
        std::memcpy(&v, p + i, 16);
        std::memcpy(out + i, &v, 16);
        const auto lfBits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lfs)));
        const __m128i crOrHigh = _mm_or_si128(_mm_cmpeq_epi8(v, crs), v);
        // CR or a byte from 0x80 on: only a CR directly before the LF may stand in a line.
        const auto oddBits = static_cast<unsigned>(_mm_movemask_epi8(crOrHigh));
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
        *lf = i + size_t(j);
        return int(*lf) - int(crEnd);
    }
    return -1;
}
#endif

} // namespace

int ReadLine(LineSource &file, LINE_BUFF_TYPE &line)
{
    line.fileLine = file.m_lfCount + 1;
    char *out = line.buff;
    int n = 0;
    bool pending = false;
    bool ended = false;
    while (!ended && n < LINE_BYTES_MAX && file.fill()) {
        const char *p = file.m_cur;
        const char *const end = file.m_end;
        // Fast path: the rest of the line lies in the buffer, fits, and holds plain bytes
        // (but for the CR of its CR LF).
        if (!pending) {
            const size_t room = size_t(LINE_BYTES_MAX - n);
#if defined(__SSE2__)
            size_t lf = 0;
            // The bytes up to the zero byte's place: buff has room for them whatever is copied.
            const int len = plainLine(p, end, out + n, room + 1, &lf);
            if (len >= 0 && size_t(len) <= room) {
                n += len;
                file.m_cur = p + lf + 1;
                ++file.m_lfCount;
                ended = true;
                break;
            }
#endif
            const size_t span = std::min(size_t(end - p), room + 2);
            if (const void *lf = std::memchr(p, '\n', span)) {
                const auto *const stop = static_cast<const char *>(lf);
                size_t len = size_t(stop - p);
                if (len > 0 && stop[-1] == '\r')
                    --len;
                if (len <= room && plainBytes(p, len)) {
                    std::memcpy(out + n, p, len);
                    n += int(len);
                    file.m_cur = stop + 1;
                    ++file.m_lfCount;
                    ended = true;
                    break;
                }
            }
        }
        while (p != end && n < LINE_BYTES_MAX) {
            const auto b = static_cast<unsigned char>(*p++);
            if (pending) {
                out[n++] = '?';
                pending = false;
                file.m_lfCount += b == '\n';
            } else if (b >= 0x80) {
                pending = true;
            } else if (b == '\n') {
                ++file.m_lfCount;
                ended = true;
                break;
            } else if (b != '\r') {
                out[n++] = static_cast<char>(b);
            }
        }
        file.m_cur = p;
    }
    if (!ended && n == LINE_BYTES_MAX)
        takeOwnLineEnd(file);
    out[n] = '\0';
    line.n = n;
    return n;
}
