// Fuzz target: an upload's byte stream through the frame receiver and the packet decoder in
// notifications of 1 to 244 bytes, then the writer on what was decoded. Input: one byte n
// (taken modulo 16), n notification sizes (1 + byte % 244, used in turn; with none, 244
// each), then the stream.
#include "checks.h"
#include "decodingsink.h"
#include "writer.h"

#include <QBuffer>
#include <QList>
#include <bit>

namespace {

constexpr int NOTIFICATION_MAX = 244;
const QString kDeviceName = QStringLiteral("Vm731-FUZZ");

template <typename T, int N> bool inTable(T value, const T (&table)[N])
{
    for (const T t : table) {
        if (t == value)
            return true;
    }
    return false;
}

bool sameBits(float a, float b)
{
    return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b) || (a != a && b != b);
}

// What the decoder holds after a notification; checked samples from..Ex_count-1.
void checkDecoded(const FrameReceiver &receiver, const PacketDecoder &decoder, int from)
{
    const DATA_INFO_TYPE &info = NewInfo[0];
    FUZZ_CHECK(receiver.frameLength() >= 0 && receiver.frameLength() <= FRAME_MAX);
    FUZZ_CHECK(info.Ex_count >= 0 && info.Ex_count <= SAMPLE_MAX);
    FUZZ_CHECK(decoder.Get_Count == info.Ex_count && decoder.Log_Count >= 0);
    if (decoder.Log_Count == 0) {
        FUZZ_CHECK(info.Ex_count == 0);
        return;
    }
    FUZZ_CHECK(info.DeviceType == DEVICE_VM731 && info.NumCH == 1 && info.Rev2);
    FUZZ_CHECK(deviceName(info) == kDeviceName);
    FUZZ_CHECK(inTable(info.Log_Rate, RATE_TABLE_MS) && inTable(info.Log_Range[0], ACC_TABLE_G) &&
               inTable(info.Log_Range[1], GYRO_TABLE_DPS));
    checkSeq(FreeNo, from, info.Ex_count);
    for (int i = from; i < info.Ex_count; ++i) {
        const SAMPLE_TYPE &s = SampleData[FreeNo][i];
        FUZZ_CHECK(s.Time == msToDays(double(i) * info.Log_Rate));
        FUZZ_CHECK((s.Status & STATUS_EVENT_MARK) == 0);
        FUZZ_CHECK(s.Batt >= 0 && s.Batt <= 65535 * BATTERY_VOLTS_PER_COUNT + 0.01);
        FUZZ_CHECK(sameBits(s.Nirs[2], s.Nirs[0] + s.Nirs[1]));
        for (int k = 0; k < 3; ++k) {
            FUZZ_CHECK(std::fabs(s.Acc[k]) <= info.Log_Range[0]);
            FUZZ_CHECK(std::fabs(s.Gyr[k]) <= info.Log_Range[1]);
        }
    }
    if (info.Ex_count > 0)
        FUZZ_CHECK(info.Log_end == info.Log_start + SampleData[FreeNo][info.Ex_count - 1].Time);
    checkEventList(FreeNo, info.Ex_count, true);
}

// The file the writer makes of the decoded recording: ASCII lines ending in CR LF, each short
// enough for the reader, one per sample after the header, SEQ, EVENT and ERROR as stored.
void checkWritten(const QByteArray &file)
{
    const DATA_INFO_TYPE &info = NewInfo[0];
    FUZZ_CHECK(file.endsWith("\r\n"));
    for (const char c : file)
        FUZZ_CHECK((c >= 0x20 && c < 0x7F) || c == '\r' || c == '\n');
    QList<QByteArray> lines = file.split('\n');
    lines.removeLast();
    FUZZ_CHECK(lines.size() == 5 + info.Ex_count);
    for (QByteArray &line : lines) {
        FUZZ_CHECK(line.endsWith('\r') && line.size() - 1 <= 511);
        line.chop(1);
    }
    FUZZ_CHECK(lines[0].startsWith("S/N," + kDeviceName.toLatin1() + ",RATE," +
                                   QByteArray::number(info.Log_Rate) + ",TH,"));
    for (int i = 0; i < info.Ex_count; ++i) {
        const QList<QByteArray> cells = lines[5 + i].split(',');
        const SAMPLE_TYPE &s = SampleData[FreeNo][i];
        FUZZ_CHECK(cells.size() == 15);
        FUZZ_CHECK(cells[1] == QByteArray::number(i));
        FUZZ_CHECK(cells[3] == (HasEvent(FreeNo, i) ? "S1" : ""));
        FUZZ_CHECK(cells[4] == ((s.Status & STATUS_DEVICE_ERROR) ? "E" : ""));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const size_t sizeCount = std::min<size_t>(data[0] % 16, size - 1);
    const uint8_t *sizes = data + 1;
    const uint8_t *stream = sizes + sizeCount;
    const size_t streamSize = size - 1 - sizeCount;

    ResetStore();
    SetFreeNo();
    DecodingSink sink;
    sink.decoder.setDeviceName(kDeviceName);
    FrameReceiver receiver(&sink);
    size_t at = 0;
    for (size_t n = 0; at < streamSize; ++n) {
        const size_t want =
            sizeCount == 0 ? NOTIFICATION_MAX : 1 + sizes[n % sizeCount] % NOTIFICATION_MAX;
        const size_t chunk = std::min(want, streamSize - at);
        const int before = NewInfo[0].Ex_count;
        receiver.feed(stream + at, static_cast<qsizetype>(chunk));
        at += chunk;
        checkDecoded(receiver, sink.decoder, before);
    }
    if (NewInfo[0].Ex_count == 0)
        return 0;
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    FUZZ_CHECK(writeMeasurement(out, NewInfo[0], FreeNo));
    checkWritten(out.data());
    return 0;
}
