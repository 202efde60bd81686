// The frame receiver's byte loop.
#include "framereceiver.h"

#include <algorithm>

namespace {

// 0x7B, 0x7C and 0x7D are adjacent.
static_assert(FRAME_ESCAPE == FRAME_START + 1 && FRAME_END == FRAME_START + 2);
bool isFramingByte(uint8_t b)
{
    return uint8_t(b - FRAME_START) < 3;
}

} // namespace

void FrameReceiver::feed(const uint8_t *data, qsizetype size)
{
    // The state lives in locals inside the loop and goes back to the members around every
    // hand-over, because the sink may feed further notifications from a nested event loop.
    int32_t length = m_length;
    bool inFrame = m_inFrame;
    bool escape = m_escape;
    for (qsizetype i = 0; i < size; ++i) {
        const uint8_t b = data[i];
        if (b == FRAME_START) {
            length = 0;
            inFrame = true;
            escape = false;
        } else if (b == FRAME_ESCAPE) {
            escape = inFrame;
        } else if (b == FRAME_END) {
            m_buffer[length] = 0;
            if (inFrame && length > 0) {
                m_length = length;
                m_escape = escape;
                endFrame();
                length = m_length;
                inFrame = m_inFrame;
                escape = m_escape;
            } else {
                inFrame = false;
            }
        } else if (inFrame && length < FRAME_MAX) {
            if (escape) {
                m_buffer[length++] = static_cast<uint8_t>(b ^ FRAME_XOR);
                escape = false;
                continue;
            }
            // A run of plain bytes in one tight loop, as far as the frame has room. Byte by
            // byte on purpose: the decoder reads the buffer at once, and a library copy's
            // masked stores would stall those reads.
            const qsizetype limit = std::min(size, i + (FRAME_MAX - length));
            m_buffer[length++] = b;
            while (i + 1 < limit && !isFramingByte(data[i + 1]))
                m_buffer[length++] = data[++i];
        }
    }
    m_length = length;
    m_inFrame = inFrame;
    m_escape = escape;
}

void FrameReceiver::endFrame()
{
    // The frame is over before the sink sees it, so that a nested notification starts afresh.
    m_inFrame = false;
    if (m_sink && m_sink->CheckPacket(m_length, m_buffer))
        m_sink->CheckProgress();
}
