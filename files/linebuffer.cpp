// Chunked reading of measurement files and the line rules of the format.
#include "linebuffer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

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
