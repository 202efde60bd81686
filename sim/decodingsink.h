// The decoder alone behind a frame receiver, without a link or a progress display: what a
// byte stream decodes to (for tools, tests and benchmarks).
#pragma once

#include "framereceiver.h"
#include "packetdecoder.h"

class DecodingSink : public PacketSink
{
public:
    PacketDecoder decoder;
    bool CheckPacket(int32_t count, const uint8_t *buff) override
    {
        return decoder.CheckPacket(count, buff);
    }
    void CheckProgress() override {}
};
