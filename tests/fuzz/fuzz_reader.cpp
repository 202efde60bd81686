// Fuzz target: the whole Open command on a file's bytes, with 0 to 3 slots already in use.
// Input: one control byte (bits 0-3: the slots in use, at most three; bit 4: they were
// entered from the highest down; bit 5: they show a Vm732), then the file's bytes.
#include "checks.h"
#include "headlesswindow.h"
#include "reader.h"
#include "scriptedprompts.h"

#include <QByteArray>
#include <QLocale>
#include <bit>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr int SHOWN_SAMPLES = 3;
const QString kNoRoom = QStringLiteral("Unable to open anymore.");

HeadlessWindow window;
int fileFd = -1;
QString filePath;

// Slot shown in the next window as a small measurement of model type.
void enterShown(int slot, int type)
{
    FreeNo = slot;
    FreeNo2 = -1;
    ClearInfo(NewInfo[0]);
    NewInfo[0].DeviceType = type;
    NewInfo[0].NumCH = 1;
    NewInfo[0].Ex_count = SHOWN_SAMPLES;
    NewInfo[0].Log_Rate = 1000;
    setDeviceName(NewInfo[0], QStringLiteral("Vm73%1-SHOWN").arg(type));
    ClearEventList(slot);
    AddEvent(slot, 1);
    for (int i = 0; i < SHOWN_SAMPLES; ++i) {
        SAMPLE_TYPE s{};
        s.Seq = i;
        s.Time = msToDays(1000.0 * i);
        s.Nirs[3] = 0.5f;
        SampleData[slot][i] = s;
    }
    EntryNewData(SOURCE_OPEN_DIALOG);
}

// Everything the store holds for a slot: header, valid samples and event list.
QByteArray slotBytes(int slot)
{
    const DATA_INFO_TYPE &info = DataInfo[slot];
    QByteArray b(reinterpret_cast<const char *>(&info), sizeof info);
    b.append(reinterpret_cast<const char *>(SampleData[slot]),
             qsizetype(sizeof(SAMPLE_TYPE)) * info.Ex_count);
    b.append(reinterpret_cast<const char *>(EventList[slot]), sizeof EventList[slot]);
    return b;
}

void checkEntered(int slot)
{
    const DATA_INFO_TYPE &info = DataInfo[slot];
    FUZZ_CHECK(info.DeviceType == DEVICE_VM731 || info.DeviceType == DEVICE_VM732);
    FUZZ_CHECK(info.Log_Rate >= 50 && info.Log_Rate <= 5000);
    FUZZ_CHECK(info.Log_FatThick >= 0 && info.Log_FatThick <= 11);
    FUZZ_CHECK(!info.Rev2 || (info.Log_Range[0] >= 2 && info.Log_Range[0] <= 16 &&
                              info.Log_Range[1] >= 125 && info.Log_Range[1] <= 2000));
    FUZZ_CHECK(nameTerminated(info));
    checkSeq(slot, 0, info.Ex_count);
    for (int i = 0; i < info.Ex_count; ++i) {
        const SAMPLE_TYPE &s = SampleData[slot][i];
        FUZZ_CHECK(std::isfinite(s.Time) && s.Time >= 0);
        FUZZ_CHECK((s.Status & ~(STATUS_FILE_ERROR | STATUS_REPEATED)) == 0);
    }
    checkEventList(slot, info.Ex_count, false);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    QLocale::setDefault(QLocale::c());
    setStoreWindow(&window);
    fileFd = memfd_create("fuzz-reader", 0);
    FUZZ_CHECK(fileFd >= 0);
    filePath = QStringLiteral("/proc/self/fd/%1").arg(fileFd);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t control = data[0];
    unsigned mask = control & 0x0F;
    if (mask == 0x0F)
        mask = 0x07; // one slot stays free
    const int type = control & 0x20 ? DEVICE_VM732 : DEVICE_VM731;

    ResetStore();
    window = HeadlessWindow{};
    for (int k = 0; k < SLOT_COUNT; ++k) {
        const int slot = control & 0x10 ? SLOT_COUNT - 1 - k : k;
        if (mask & (1u << slot))
            enterShown(slot, type);
    }
    const int shown = WindowCount;
    QByteArray before[SLOT_COUNT];
    for (int s = 0; s < SLOT_COUNT; ++s)
        before[s] = DataInfo[s].Enable ? slotBytes(s) : QByteArray();
    int freeSlots[SLOT_COUNT];
    int freeCount = 0;
    for (int s = 0; s < SLOT_COUNT; ++s) {
        if (!DataInfo[s].Enable)
            freeSlots[freeCount++] = s;
    }

    FUZZ_CHECK(ftruncate(fileFd, 0) == 0);
    const auto body = static_cast<ssize_t>(size - 1);
    FUZZ_CHECK(pwrite(fileFd, data + 1, size - 1, 0) == body);
    ScriptedPrompts prompts;
    prompts.openAnswers << filePath;
    OpenMeasurementFile(prompts);

    checkWindows();
    FUZZ_CHECK(!prompts.busy);
    // The measurements shown before stay as they were, in their windows.
    for (int s = 0; s < SLOT_COUNT; ++s)
        FUZZ_CHECK(before[s].isEmpty() || slotBytes(s) == before[s]);
    const int added = WindowCount - shown;
    FUZZ_CHECK(added >= 0 && added <= 2);
    const QStringList messages = prompts.messages();
    FUZZ_CHECK(messages.size() <= 1);
    const bool full = messages.size() == 1 && messages[0] == kNoRoom;
    // Any other message means nothing was entered.
    FUZZ_CHECK(messages.isEmpty() || full || added == 0);
    if (WindowCount > 0) {
        for (int w = 0; w < WindowCount; ++w)
            FUZZ_CHECK(DataInfo[WinInfo[w].DataNo].DeviceType == CurDeviceType);
    }
    if (added == 0)
        return 0;

    // The new measurement went into the lowest free slot, a second channel into the next.
    const int first = WinInfo[shown].DataNo;
    FUZZ_CHECK(first == freeSlots[0]);
    FUZZ_CHECK(!window.infoLabels[shown].isEmpty());
    checkEntered(first);
    const DATA_INFO_TYPE &a = DataInfo[first];
    FUZZ_CHECK(full == (a.Ex_count == SAMPLE_MAX));
    FUZZ_CHECK(a.NumCH == 1 || a.NumCH == 2);
    FUZZ_CHECK(added == ((a.NumCH == 2 && freeCount >= 2) ? 2 : 1));
    if (added == 2) {
        const int second = WinInfo[shown + 1].DataNo;
        FUZZ_CHECK(second == freeSlots[1]);
        checkEntered(second);
        const DATA_INFO_TYPE &b = DataInfo[second];
        FUZZ_CHECK(b.NumCH == 0 && b.Ex_count == a.Ex_count && b.DeviceType == a.DeviceType &&
                   b.Log_Rate == a.Log_Rate && b.Rev2 == a.Rev2);
        // Both channels share the TIME column.
        for (int i = 0; i < a.Ex_count; ++i)
            FUZZ_CHECK(std::bit_cast<uint64_t>(SampleData[first][i].Time) ==
                       std::bit_cast<uint64_t>(SampleData[second][i].Time));
    }
    return 0;
}
