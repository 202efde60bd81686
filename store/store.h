// The measurement store: four slots of headers, samples and event marks, the staging area
// that the file reader and the upload fill, and the graph-window records the slots bind to.
// Everything is reserved once, statically, for the whole run.
#pragma once

#include "datetime.h"

#include <QString>
#include <cstdint>
#include <type_traits>

class QWidget;
class QScrollBar;
class QCheckBox;
class QLabel;

inline constexpr int SLOT_COUNT = 4;
inline constexpr int SAMPLE_MAX = 720000;
inline constexpr int EVENT_MAX = 1000;
inline constexpr int CHANNEL_MAX = 2;
// Longest sensor name held (a file cell is at most 511 bytes).
inline constexpr int DEVICE_NAME_MAX = 511;

inline constexpr uint16_t STATUS_FILE_ERROR = 0x0001;
inline constexpr uint16_t STATUS_DEVICE_ERROR = 0x0040;
inline constexpr uint16_t STATUS_BLANK = 0x4000;
inline constexpr uint16_t STATUS_REPEATED = 0x8000;

inline constexpr int DEVICE_UNKNOWN = 0;
inline constexpr int DEVICE_VM731 = 1;
inline constexpr int DEVICE_VM732 = 2;

// Source of a measurement handed to EntryNewData.
inline constexpr int SOURCE_OPEN_DIALOG = 0;
inline constexpr int SOURCE_UPLOAD = 1;

// Header of one measurement. Log_Device is a zero-terminated UTF-8 name kept in the record
// itself, so that the record copies whole and needs no constructor.
struct DATA_INFO_TYPE
{
    bool Enable;
    int32_t DeviceType;
    char Log_Device[DEVICE_NAME_MAX + 1];
    int32_t NumCH;
    int32_t Ex_count;
    int32_t Log_Rate;      // sampling interval, ms
    double Log_FatThick;   // mm
    int32_t Log_Range[2];  // [0] accelerometer G, [1] gyroscope deg/s
    bool Rev2;             // the source carries the motion channels
    TDateTime Log_start;
    TDateTime Log_end;
};

// One sample. Time is the elapsed time since Log_start as a day fraction.
struct SAMPLE_TYPE
{
    TDateTime Time;
    int32_t Seq;
    float Batt;      // V
    uint16_t Status; // STATUS_* bits
    float Nirs[4];   // OXHb, DXHb, TOHb in mM; StO2 as a fraction
    float Nirs_Ave[4];
    float Acc[3];    // G
    float Gyr[3];    // deg/s
};

// Display state of one graph window. The control references are bound once by the main
// window and never change; the store itself never touches them.
struct WINDOW_INFO_TYPE
{
    int32_t DataNo;
    int32_t TimeGrid; // ms
    int32_t Offset;   // -100..100
    int32_t SamplesPerPixel;
    int32_t MaxSamplesPerPixel;
    int32_t LastPos;
    int32_t LinkBase;
    bool LinkHold;
    QWidget *Panel;
    QWidget *PaintBox;
    QScrollBar *ScrollBar;
    QCheckBox *CHCheckBox;
    QLabel *InfoLabel;
};

// The records must stay trivial: the 220 MiB sample table then lands in zero-filled memory
// that costs nothing until it is written.
static_assert(std::is_trivially_default_constructible_v<SAMPLE_TYPE>);
static_assert(std::is_trivially_copyable_v<SAMPLE_TYPE>);
static_assert(std::is_trivially_default_constructible_v<DATA_INFO_TYPE>);
static_assert(std::is_trivially_copyable_v<DATA_INFO_TYPE>);
static_assert(std::is_trivially_default_constructible_v<WINDOW_INFO_TYPE>);

extern DATA_INFO_TYPE DataInfo[SLOT_COUNT];
extern SAMPLE_TYPE SampleData[SLOT_COUNT][SAMPLE_MAX];
extern int32_t EventList[SLOT_COUNT][EVENT_MAX];
extern DATA_INFO_TYPE NewInfo[CHANNEL_MAX];
extern SAMPLE_TYPE NewSample[CHANNEL_MAX];
extern int32_t FreeNo;
extern int32_t FreeNo2;
extern int32_t CurDeviceType;
extern WINDOW_INFO_TYPE WinInfo[SLOT_COUNT];
extern int32_t WindowCount;
// The file names last chosen in the main window's open dialog and in the Connect dialog's
// save dialog (full paths); EntryNewData names the measurement after one of them.
extern QString OpenDialogFileName;
extern QString SaveDialogFileName;

// The window side of the store: what EntryNewData and the averaging need from the main
// window. The main window implements it on its controls; tools and tests use HeadlessWindow.
class StoreWindow
{
public:
    virtual ~StoreWindow() = default;
    // Selected index of the moving-average list, 0..5.
    virtual int averagingIndex() const = 0;
    virtual void setInfoLabel(int window, const QString &text) = 0;
    // Hides the window's scroll bar and sets position 0, small change 1, large change 100.
    virtual void resetScrollBar(int window) = 0;
    virtual void setStatusText(const QString &text) = 0;
    // Shows or hides the "Disp. Select" group.
    virtual void setDispSelectVisible(bool visible) = 0;
    virtual void setCHCheckBoxVisible(int window, bool visible) = 0;
    // Checks the window's check box, which runs its click handler.
    virtual void checkCHCheckBox(int window) = 0;
    virtual void uncheckInterlock() = 0;
};

// Sets the window side (not owned); nullptr restores the built-in headless one.
void setStoreWindow(StoreWindow *window);
StoreWindow &storeWindow();

// Empties the store as at start-up: every slot free, every window record free,
// WindowCount 0, FreeNo 0, FreeNo2 -1, CurDeviceType 0, staging area cleared.
void ResetStore();
// Gives window w the free-window values (the control references are kept).
void ResetWindowInfo(int w);
// Staging header started afresh (DeviceType 0, NumCH 0, Ex_count 0, empty name).
void ClearInfo(DATA_INFO_TYPE &info);
// Sets every entry of a slot's event list to -1.
void ClearEventList(int slot);
// Adds a mark at the first free entry of the slot's list; a full list drops it.
void AddEvent(int slot, int32_t sample);
// True when sample stands in the slot's event list before its first -1.
bool HasEvent(int slot, int32_t sample);

// Sensor name helpers for DATA_INFO_TYPE::Log_Device (cut at DEVICE_NAME_MAX bytes).
void setDeviceName(DATA_INFO_TYPE &info, const QString &name);
QString deviceName(const DATA_INFO_TYPE &info);

// Chooses FreeNo (lowest free slot) and FreeNo2 (next free one); true when FreeNo is a slot.
bool SetFreeNo();
// Enters NewInfo[0] and slot FreeNo into the next graph window (src: SOURCE_*).
void EntryNewData(int32_t src);
// Recomputes Nirs_Ave of slot ch, or of every slot in use when ch is -1.
void CalcAverageData(int32_t ch);
// Grid step in ms for window no, 0 when no is not an open window showing a slot.
int32_t CalcTimeGrid(int32_t no);

// The description line of a window: file name, serial number, start and end, interval and
// fat thickness, in the given locale's separators.
QString describeMeasurement(const DATA_INFO_TYPE &info, const QString &fileName,
                            const class QLocale &locale);
// Status bar text for a sensor model.
QString deviceTypeText(int deviceType);
