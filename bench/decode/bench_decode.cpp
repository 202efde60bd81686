// Decoding a full upload (720000 records, about 22.5 MB framed) as the Connect dialog does,
// without a window: the stream in notification-sized chunks through the frame receiver,
// CheckPacket and the progress step of the link session (a headless view, no repainting).
// Alternates runs of the decoder alone and of the whole step; prints every run, the medians
// and whether the goal is met (at least 1000x the fastest Bluetooth LE notification rate,
// 175 kB/s, that is 175 MB/s).
#include "decodingsink.h"
#include "headlessconnectview.h"
#include "linksession.h"
#include "packetdecoder.h"
#include "scriptedprompts.h"
#include "sensorrecording.h"
#include "simulatedcentral.h"
#include "store.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr double GOAL_MB_PER_S = 175.0;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

template <typename Feed> double timeFeed(const QByteArray &stream, int chunk, Feed feed)
{
    const auto t0 = std::chrono::steady_clock::now();
    for (qsizetype at = 0; at < stream.size(); at += chunk)
        feed(QByteArrayView(stream).sliced(at, std::min<qsizetype>(chunk, stream.size() - at)));
    const auto t1 = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(t1 - t0).count();
}

double decodeOnly(const QByteArray &stream, int chunk)
{
    ResetStore();
    SetFreeNo();
    DecodingSink sink;
    FrameReceiver receiver(&sink);
    const double ms = timeFeed(stream, chunk, [&](QByteArrayView b) { receiver.feed(b); });
    if (sink.decoder.Get_Count != SAMPLE_MAX) {
        std::fprintf(stderr, "bench_decode: decoder stored %d samples\n", sink.decoder.Get_Count);
        std::exit(1);
    }
    return ms;
}

// The session's upload from the header to the save dialog (answered with Cancel).
double decodeWithProgress(const QByteArray &stream, int chunk)
{
    ResetStore();
    SetFreeNo();
    ScriptedPrompts prompts;
    HeadlessConnectView view;
    // Like the dialog's label, the view holds the last text only.
    view.keepProgressTexts = false;
    SimulatedCentral noLink;
    PacketDecoder decoder;
    LinkSession session(noLink, decoder, prompts, view);
    session.setDeviceName(QStringLiteral("Vm731-BENCH"));
    session.startTransfer();
    const double ms =
        timeFeed(stream, chunk, [&](QByteArrayView b) { session.receiver().feed(b); });
    const QString last = QStringLiteral("%1/%1  100% Received.").arg(SAMPLE_MAX);
    if (decoder.Get_Count != SAMPLE_MAX || view.progressText != last ||
        view.progressPosition != 100 || prompts.dialogs.size() != 1 ||
        session.uploadState() != LinkSession::Idle) {
        std::fprintf(stderr, "bench_decode: the upload did not end as it should (%s)\n",
                     qPrintable(view.progressText));
        std::exit(1);
    }
    return ms;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const int chunk = argc > 2 ? std::max(1, std::atoi(argv[2])) : 244;
    const QByteArray stream = encodeStream(generateRecording(SAMPLE_MAX, 1, true));
    const double mb = stream.size() / 1e6;
    std::printf("stream: %d records, %.2f MB framed, %d-byte notifications\n", SAMPLE_MAX, mb,
                chunk);
    decodeWithProgress(stream, chunk); // first touch of the slot
    std::vector<double> alone, whole;
    for (int r = 0; r < runs; ++r) {
        alone.push_back(decodeOnly(stream, chunk));
        whole.push_back(decodeWithProgress(stream, chunk));
        std::printf(
            "run %2d: decoder %7.2f ms (%6.1f MB/s)   with progress %7.2f ms (%6.1f MB/s)\n", r + 1,
            alone.back(), mb / alone.back() * 1e3, whole.back(), mb / whole.back() * 1e3);
        std::fflush(stdout);
    }
    const double ma = median(alone), mw = median(whole);
    const double rate = mb / mw * 1e3;
    std::printf("median: decoder %.2f ms (%.1f MB/s), with progress %.2f ms (%.1f MB/s); "
                "goal >= %.0f MB/s: %s\n",
                ma, mb / ma * 1e3, mw, rate, GOAL_MB_PER_S,
                rate >= GOAL_MB_PER_S ? "met" : "NOT met");
    return 0;
}
