// The frame receiver: cuts the sensor's notification byte stream into packets (start, end and
// escape bytes), keeping its state from one notification to the next.
#pragma once

#include "protocol.h"

#include <QByteArrayView>
#include <cstdint>

// Who the receiver hands complete frames to.
class PacketSink
{
public:
    virtual ~PacketSink() = default;
    // A frame of count bytes (1..FRAME_MAX) in buff, followed by a 0 byte; true when accepted.
    virtual bool CheckPacket(int32_t count, const uint8_t *buff) = 0;
    // Runs after every accepted packet, before the next byte is looked at. May nest event
    // loops; bytes fed meanwhile continue the same receiver state.
    virtual void CheckProgress() = 0;
};

class FrameReceiver
{
public:
    explicit FrameReceiver(PacketSink *sink = nullptr) : m_sink(sink) {}
    void setSink(PacketSink *sink) { m_sink = sink; }

    // Feeds bytes in order. Constant work per byte.
    void feed(const uint8_t *data, qsizetype size);
    void feed(QByteArrayView bytes)
    {
        feed(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    }

    int32_t frameLength() const { return m_length; }
    bool inFrame() const { return m_inFrame; }
    bool escaped() const { return m_escape; }
    const uint8_t *buffer() const { return m_buffer; }

private:
    void endFrame();

    PacketSink *m_sink;
    uint8_t m_buffer[FRAME_BUFFER_SIZE] = {};
    int32_t m_length = 0;
    bool m_inFrame = false;
    bool m_escape = false;
};
