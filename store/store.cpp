// The store's globals, slot choice and the entry of a measurement into the next window.
#include "store.h"
#include "headlesswindow.h"

#include <QFileInfo>
#include <QLocale>
#include <cstring>

DATA_INFO_TYPE DataInfo[SLOT_COUNT];
SAMPLE_TYPE SampleData[SLOT_COUNT][SAMPLE_MAX];
int32_t EventList[SLOT_COUNT][EVENT_MAX];
DATA_INFO_TYPE NewInfo[CHANNEL_MAX];
SAMPLE_TYPE NewSample[CHANNEL_MAX];
int32_t FreeNo = 0;
int32_t FreeNo2 = -1;
int32_t CurDeviceType = 0;
WINDOW_INFO_TYPE WinInfo[SLOT_COUNT] = {
    {-1, 1, 0, 1, 1, -1, 0, true, nullptr, nullptr, nullptr, nullptr, nullptr},
    {-1, 1, 0, 1, 1, -1, 0, true, nullptr, nullptr, nullptr, nullptr, nullptr},
    {-1, 1, 0, 1, 1, -1, 0, true, nullptr, nullptr, nullptr, nullptr, nullptr},
    {-1, 1, 0, 1, 1, -1, 0, true, nullptr, nullptr, nullptr, nullptr, nullptr},
};
int32_t WindowCount = 0;
QString OpenDialogFileName;
QString SaveDialogFileName;

namespace {

HeadlessWindow headless;
StoreWindow *current = &headless;

// The separator a locale's short format puts after its first field ("/" in "M/d/yy").
QString separatorOf(const QString &format, const QString &fallback)
{
    for (const QChar c : format) {
        if (!c.isLetter() && c != u'\'')
            return QString(c);
    }
    return fallback;
}

QString formatDateTime(TDateTime value, const QLocale &locale)
{
    // The C locale's short date names the month ("d MMM yyyy"): it keeps the plain separators.
    const bool plain = locale.language() == QLocale::C;
    const QString ds = plain ? QStringLiteral("/")
                             : separatorOf(locale.dateFormat(QLocale::ShortFormat), QStringLiteral("/"));
    const QString ts = plain ? QStringLiteral(":")
                             : separatorOf(locale.timeFormat(QLocale::ShortFormat), QStringLiteral(":"));
    const DateTimeParts p = decodeDateTime(value);
    auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    return QStringLiteral("%1").arg(p.year, 4, 10, QLatin1Char('0')) + ds + two(p.month) + ds +
           two(p.day) + QLatin1Char(' ') + two(p.hour) + ts + two(p.minute) + ts + two(p.second);
}

} // namespace

void setStoreWindow(StoreWindow *window)
{
    current = window ? window : &headless;
}

StoreWindow &storeWindow()
{
    return *current;
}

void ClearInfo(DATA_INFO_TYPE &info)
{
    std::memset(&info, 0, sizeof info);
}

void ResetWindowInfo(int w)
{
    WINDOW_INFO_TYPE &wi = WinInfo[w];
    wi.DataNo = -1;
    wi.TimeGrid = 1;
    wi.Offset = 0;
    wi.SamplesPerPixel = 1;
    wi.MaxSamplesPerPixel = 1;
    wi.LastPos = -1;
    wi.LinkHold = true;
}

void ResetStore()
{
    for (int s = 0; s < SLOT_COUNT; ++s) {
        DataInfo[s].Enable = false;
        ResetWindowInfo(s);
        WinInfo[s].LinkBase = 0;
    }
    ClearInfo(NewInfo[0]);
    ClearInfo(NewInfo[1]);
    std::memset(NewSample, 0, sizeof NewSample);
    WindowCount = 0;
    FreeNo = 0;
    FreeNo2 = -1;
    CurDeviceType = 0;
}

void ClearEventList(int slot)
{
    for (int32_t &e : EventList[slot])
        e = -1;
}

void AddEvent(int slot, int32_t sample)
{
    for (int32_t &e : EventList[slot]) {
        if (e == -1) {
            e = sample;
            return;
        }
    }
}

bool HasEvent(int slot, int32_t sample)
{
    for (const int32_t e : EventList[slot]) {
        if (e == -1)
            return false;
        if (e == sample)
            return true;
    }
    return false;
}

void setDeviceName(DATA_INFO_TYPE &info, const QString &name)
{
    QByteArray utf8 = name.toUtf8();
    if (utf8.size() > DEVICE_NAME_MAX) {
        utf8.truncate(DEVICE_NAME_MAX);
        // Never leave half a character behind.
        while (!utf8.isEmpty() && (static_cast<uchar>(utf8.back()) & 0xC0) == 0x80)
            utf8.chop(1);
        if (!utf8.isEmpty() && static_cast<uchar>(utf8.back()) >= 0xC0)
            utf8.chop(1);
    }
    std::memcpy(info.Log_Device, utf8.constData(), static_cast<size_t>(utf8.size()));
    info.Log_Device[utf8.size()] = '\0';
}

QString deviceName(const DATA_INFO_TYPE &info)
{
    return QString::fromUtf8(info.Log_Device);
}

bool SetFreeNo()
{
    FreeNo = -1;
    FreeNo2 = -1;
    for (int s = 0; s < SLOT_COUNT; ++s) {
        if (DataInfo[s].Enable)
            continue;
        if (FreeNo == -1) {
            FreeNo = s;
        } else {
            FreeNo2 = s;
            break;
        }
    }
    return FreeNo != -1;
}

QString deviceTypeText(int deviceType)
{
    switch (deviceType) {
    case DEVICE_VM731:
        return QStringLiteral("Device Type:Vm731");
    case DEVICE_VM732:
        return QStringLiteral("Device Type:Vm732");
    default:
        return QStringLiteral("Device Type:Unknown");
    }
}

QString describeMeasurement(const DATA_INFO_TYPE &info, const QString &fileName,
                            const QLocale &locale)
{
    const QString name = deviceName(info);
    QString text = QFileInfo(fileName).fileName();
    text += QStringLiteral("(S/N:") + name.mid(6);
    text += QStringLiteral("  ") + formatDateTime(info.Log_start, locale);
    text += QStringLiteral(" - ") + formatDateTime(info.Log_end, locale);
    if (info.Log_Rate >= 1000)
        text += QStringLiteral(" @%1[sec],").arg(info.Log_Rate / 1000);
    else
        text += QStringLiteral(" @%1[ms],").arg(info.Log_Rate);
    text += locale.toString(info.Log_FatThick, 'f', 1) + QStringLiteral("[mm])");
    return text;
}

void EntryNewData(int32_t src)
{
    if (WindowCount >= SLOT_COUNT)
        return;
    const int w = WindowCount;
    const int s = FreeNo;
    StoreWindow &win = storeWindow();

    DataInfo[s] = NewInfo[0];
    DataInfo[s].Enable = true;
    WinInfo[w].DataNo = s;

    const QString &fileName = src == SOURCE_UPLOAD ? SaveDialogFileName : OpenDialogFileName;
    win.setInfoLabel(w, describeMeasurement(DataInfo[s], fileName, QLocale()));
    ++WindowCount;

    CalcAverageData(s);

    WinInfo[w].SamplesPerPixel = 1;
    WinInfo[w].TimeGrid = CalcTimeGrid(w);
    WinInfo[w].LastPos = -1;
    win.resetScrollBar(w);

    if (WindowCount == 1) {
        CurDeviceType = NewInfo[0].DeviceType;
        win.setDispSelectVisible(false);
        win.setStatusText(deviceTypeText(NewInfo[0].DeviceType));
    } else {
        for (int i = WindowCount; i < SLOT_COUNT; ++i)
            win.setCHCheckBoxVisible(i, false);
        win.setDispSelectVisible(true);
    }

    win.uncheckInterlock();
    win.checkCHCheckBox(w);
    win.setCHCheckBoxVisible(w, true);
}
