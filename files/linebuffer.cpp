// Chunked reading of measurement files and the line rules of the format.
#include "linebuffer.h"

#include "lines.h"
#include "simd.h"

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
            size_t lf = 0;
            int len = -1;
            if constexpr (simd::BYTE_BLOCKS)
                len = plainLineBlocks(p, end, out + n, room, &lf);
            if (len < 0)
                len = plainLineWords(p, end, out + n, room, &lf);
            if (len >= 0) {
                n += len;
                file.m_cur = p + lf + 1;
                ++file.m_lfCount;
                ended = true;
                break;
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

int ReadLineReference(LineSource &file, LINE_BUFF_TYPE &line)
{
    line.fileLine = file.m_lfCount + 1;
    int n = 0;
    bool pending = false;
    bool ended = false;
    while (n < LINE_BYTES_MAX && file.fill()) {
        const auto b = static_cast<unsigned char>(*file.m_cur++);
        file.m_lfCount += b == '\n';
        if (pending) {
            line.buff[n++] = '?';
            pending = false;
        } else if (b >= 0x80) {
            pending = true;
        } else if (b == '\n') {
            ended = true;
            break;
        } else if (b != '\r') {
            line.buff[n++] = static_cast<char>(b);
        }
    }
    if (!ended && n == LINE_BYTES_MAX)
        takeOwnLineEnd(file);
    line.buff[n] = '\0';
    line.n = n;
    return n;
}
