// The Open command: the reading loop with its filled-in and repeated samples, the slot limit
// and the messages of every failure.
#include "reader.h"

#include "format.h"
#include "store.h"

#include <QFile>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const QString kNoRoom = QStringLiteral("Unable to open anymore.");
const QString kOtherType = QStringLiteral("The type is different from the read data.");
const QString kFormatError = QStringLiteral("Data format error.");
const QString kReadError = QStringLiteral("Unable to read the file.");
constexpr int FIRST_SAMPLE_LINE = 5;
constexpr int QUOTED_TEXT_MAX = 40; // characters of a faulty cell shown in the message

LINE_BUFF_TYPE LineBuff;

// One Open command's reading: the staging area fills slot FreeNo (and FreeNo2).
class FileLoad
{
public:
    enum class Stop { None, EndOfFile, Full, OtherType, FormatError, ReadError };

    explicit FileLoad(Prompts &prompts) : m_prompts(&prompts) {}
    // A reading that compares every sample with the first count samples of written instead
    // of storing it: nothing is stored, shown or asked.
    FileLoad(const SAMPLE_TYPE *written, int32_t count) : m_written(written), m_writtenCount(count)
    {
    }

    Stop run(LineSource &file);
    // In a comparing reading: true once a sample differed, was filled in or was missing.
    bool mismatch() const { return m_mismatch; }

private:
    bool secondSlot() const { return NewInfo[0].NumCH == 2 && FreeNo2 != -1; }
    bool full() const { return NewInfo[0].Ex_count >= SAMPLE_MAX; }
    void append(int c, const SAMPLE_TYPE &sample);
    void appendCopyOfLast(TDateTime time, uint16_t extraStatus, bool keepTime);
    bool takeSample(); // false when the slot became full
    void repeatLast();

    bool checking() const { return m_written != nullptr; }
    void notice(const QString &text)
    {
        if (m_prompts)
            m_prompts->notice(text);
    }

    Prompts *m_prompts = nullptr; // none in a comparing reading
    const SAMPLE_TYPE *m_written = nullptr;
    int32_t m_writtenCount = 0;
    bool m_mismatch = false;
    bool m_error = false;
    TDateTime m_interval = 0; // the sampling interval as a day fraction
    TDateTime m_expected = 0; // the expected time of the next sample
};

// Whole seconds of the time of day of a day fraction, in ms.
int64_t wholeSecondsMs(TDateTime t)
{
    return timeOfDayMs(t) / 1000 * 1000;
}

// Within half a unit of the last of `decimals` decimals, and the rounding to a float of the
// decimal written: the value the file carries for written.
bool carries(double read, double written, int decimals)
{
    constexpr double FLOAT_ROUNDING = 1.2e-7; // 2^-23, relative
    constexpr double HALF_UNIT[] = {0.5, 0.05, 0.005, 0.0005, 0.00005};
    const double expected = carriedValue(written);
    return std::fabs(read - expected) <=
           HALF_UNIT[decimals] * (1 + 1e-9) + FLOAT_ROUNDING * std::fabs(expected);
}

// A sample as read from its line against the sample it was written from, field by field as
// the line carries them: TIME in whole seconds, SEQ, ERROR and the ten values to their
// decimals (BATT is not read).
bool sameAsWritten(const SAMPLE_TYPE &read, const SAMPLE_TYPE &written)
{
    if (wholeSecondsMs(read.Time) != wholeSecondsMs(written.Time) || read.Seq != written.Seq ||
        ((read.Status & STATUS_FILE_ERROR) != 0) != ((written.Status & STATUS_DEVICE_ERROR) != 0))
        return false;
    for (int j = 0; j < 3; ++j) {
        if (!carries(read.Nirs[j], written.Nirs[j], 4) ||
            !carries(read.Acc[j], written.Acc[j], 3) || !carries(read.Gyr[j], written.Gyr[j], 1))
            return false;
    }
    return carries(static_cast<double>(read.Nirs[3]) * 100.0,
                   static_cast<double>(written.Nirs[3]) * 100.0, 2);
}

void FileLoad::append(int c, const SAMPLE_TYPE &sample)
{
    DATA_INFO_TYPE &info = NewInfo[c];
    if (checking()) {
        if (info.Ex_count >= m_writtenCount || !sameAsWritten(sample, m_written[info.Ex_count]))
            m_mismatch = true;
        ++info.Ex_count;
        return;
    }
    SAMPLE_TYPE &slot = SampleData[c == 0 ? FreeNo : FreeNo2][info.Ex_count];
    slot = sample;
    slot.Seq = info.Ex_count;
    ++info.Ex_count;
}

void FileLoad::appendCopyOfLast(TDateTime time, uint16_t extraStatus, bool keepTime)
{
    if (checking()) {
        // A sample filled in or standing in for an unreadable line was not written as such.
        m_mismatch = true;
        ++NewInfo[0].Ex_count;
        return;
    }
    for (int c = 0; c < (secondSlot() ? 2 : 1); ++c) {
        SAMPLE_TYPE copy = SampleData[c == 0 ? FreeNo : FreeNo2][NewInfo[c].Ex_count - 1];
        if (!keepTime)
            copy.Time = time;
        copy.Status |= extraStatus;
        append(c, copy);
    }
}

// std::llround for 0 <= x < 2^62 without the library call: x - trunc(x) is exact, and a half
// goes up, as llround takes it away from zero.
int64_t roundPositive(double x)
{
    const auto whole = static_cast<int64_t>(x);
    return whole + (x - static_cast<double>(whole) >= 0.5);
}

bool FileLoad::takeSample()
{
    if (NewInfo[0].Ex_count == 0) {
        m_expected = NewSample[0].Time;
    } else {
        // A TIME running ahead of the interval marks missing samples: repeat the last one.
        const int64_t lineMs = roundPositive(NewSample[0].Time * MS_PER_DAY); // Time >= 0
        m_expected += m_interval;
        while (wholeSecondsMs(m_expected) < lineMs) {
            appendCopyOfLast(m_expected, 0, false);
            if (full())
                return false;
            m_expected += m_interval;
        }
    }
    append(0, NewSample[0]);
    if (secondSlot())
        append(1, NewSample[1]);
    return !full();
}

FileLoad::Stop FileLoad::run(LineSource &file)
{
    LINE_BUFF_TYPE &line = LineBuff;
    line.ln = 0;
    m_error = false;
    for (;;) {
        if (ReadLine(file, line) == 0)
            return file.failed() ? Stop::ReadError : Stop::EndOfFile;
        const int ln = line.ln;
        m_error = GetColumn(line);
        ++line.ln;
        if (ln == 0 && !m_error) {
            if (!checking() && WindowCount != 0 && CurDeviceType != NewInfo[0].DeviceType) {
                notice(kOtherType);
                return Stop::OtherType;
            }
            CurDeviceType = NewInfo[0].DeviceType;
            m_interval = msToDays(NewInfo[0].Log_Rate);
        }
        if (ln >= FIRST_SAMPLE_LINE) {
            if (!m_error) {
                if (!takeSample()) {
                    notice(kNoRoom);
                    return Stop::Full;
                }
            } else if (NewInfo[0].Ex_count > 0) {
                // An unreadable line after the first sample: the last sample stands in for it.
                appendCopyOfLast(0, STATUS_REPEATED, true);
                m_error = false;
                if (full()) {
                    notice(kNoRoom);
                    return Stop::Full;
                }
            }
        }
        if (m_error)
            return Stop::FormatError;
    }
}

void startStaging()
{
    ClearInfo(NewInfo[0]);
    ClearInfo(NewInfo[1]);
    ClearEventList(FreeNo);
    if (FreeNo2 != -1)
        ClearEventList(FreeNo2);
}

QString quoted(const QByteArray &text)
{
    QString t = QString::fromLatin1(text);
    if (t.size() > QUOTED_TEXT_MAX)
        t = t.left(QUOTED_TEXT_MAX) + QStringLiteral("...");
    return QLatin1Char('"') + t + QLatin1Char('"');
}

bool sameWholeSeconds(TDateTime a, TDateTime b)
{
    const DateTimeParts x = decodeDateTime(a), y = decodeDateTime(b);
    return x.year == y.year && x.month == y.month && x.day == y.day && x.hour == y.hour &&
           x.minute == y.minute && x.second == y.second;
}

// Line 0 to 2 as read against the header they were written from.
bool sameHeader(const DATA_INFO_TYPE &read, const DATA_INFO_TYPE &written)
{
    char name[DEVICE_NAME_MAX + 1];
    carriedDeviceName(written, name);
    return read.DeviceType == written.DeviceType && read.NumCH == 1 && read.Rev2 &&
           std::strcmp(read.Log_Device, name) == 0 && read.Log_Rate == written.Log_Rate &&
           carries(read.Log_FatThick, carriedFatThick(written.Log_FatThick), 1) &&
           read.Log_Range[0] == written.Log_Range[0] && read.Log_Range[1] == written.Log_Range[1] &&
           sameWholeSeconds(read.Log_start, written.Log_start) &&
           sameWholeSeconds(read.Log_end, written.Log_end);
}

// The marks read (in file order) against the written list: each marked sample once, in order.
bool sameMarks(const int32_t *read, const int32_t *written, int32_t count)
{
    int32_t marks[EVENT_MAX];
    const int32_t *end = std::find(written, written + EVENT_MAX, -1);
    int32_t *marksEnd =
        std::copy_if(written, end, marks, [count](int32_t m) { return m >= 0 && m < count; });
    std::sort(marks, marksEnd);
    marksEnd = std::unique(marks, marksEnd);
    const auto n = marksEnd - marks;
    return std::equal(marks, marksEnd, read) && (n == EVENT_MAX || read[n] == -1);
}

} // namespace

bool SavedFileMatches(const QString &fileName)
{
    // The staging area is the reader's working space: what it holds is put back afterwards.
    const DATA_INFO_TYPE written = NewInfo[0];
    const DATA_INFO_TYPE second = NewInfo[1];
    const SAMPLE_TYPE samples[CHANNEL_MAX] = {NewSample[0], NewSample[1]};
    const int32_t freeNo2 = FreeNo2;
    const int32_t deviceType = CurDeviceType;
    int32_t marks[EVENT_MAX];
    std::copy(EventList[FreeNo], EventList[FreeNo] + EVENT_MAX, marks);

    QFile file(fileName);
    bool same = file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    if (same) {
        FreeNo2 = -1;
        startStaging();
        FileLoad load(SampleData[FreeNo], written.Ex_count);
        FileLoad::Stop stop;
        {
            LineSource source(file);
            try {
                stop = load.run(source);
            } catch (const FileValueError &) {
                stop = FileLoad::Stop::FormatError;
            }
        }
        const bool whole = stop == FileLoad::Stop::EndOfFile ||
                           (stop == FileLoad::Stop::Full && written.Ex_count == SAMPLE_MAX);
        same = whole && !load.mismatch() && NewInfo[0].Ex_count == written.Ex_count &&
               sameHeader(NewInfo[0], written) &&
               sameMarks(EventList[FreeNo], marks, written.Ex_count);
    }

    NewInfo[0] = written;
    NewInfo[1] = second;
    NewSample[0] = samples[0];
    NewSample[1] = samples[1];
    FreeNo2 = freeNo2;
    CurDeviceType = deviceType;
    std::copy(marks, marks + EVENT_MAX, EventList[FreeNo]);
    return same;
}

QString conversionErrorText(const FileValueError &error)
{
    QString what;
    switch (error.kind) {
    case FileValueError::Number:
        what = QStringLiteral("Invalid number");
        break;
    case FileValueError::DateTime:
        what = QStringLiteral("Invalid date or time");
        break;
    case FileValueError::TimeOfDay:
        what = QStringLiteral("Invalid time");
        break;
    }
    return QStringLiteral("%1 %2 in line %3, cell %4 of the file.")
        .arg(what, quoted(error.text))
        .arg(error.fileLine)
        .arg(error.cell + 1);
}

namespace {
// The rest of Open once a name is chosen.
void openChosenFile(Prompts &prompts, const QString &name);
} // namespace

void OpenMeasurementFile(Prompts &prompts)
{
    if (!SetFreeNo()) {
        prompts.notice(kNoRoom);
        return;
    }
    OpenDialogFileName.clear();
    FileDialogSpec dialogSpec;
    dialogSpec.filterName = QStringLiteral("CSVファイル");
    dialogSpec.filterPattern = QStringLiteral("*.csv");
    dialogSpec.defaultExtension = QStringLiteral("csv");
    const QString name = prompts.openFileName(dialogSpec);
    if (name.isEmpty())
        return;
    openChosenFile(prompts, name);
}

void OpenMeasurementFile(Prompts &prompts, const QString &name)
{
    if (!SetFreeNo()) {
        prompts.notice(kNoRoom);
        return;
    }
    OpenDialogFileName.clear();
    openChosenFile(prompts, name);
}

namespace {

void openChosenFile(Prompts &prompts, const QString &name)
{
    OpenDialogFileName = name;
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return;

    startStaging();
    prompts.setBusy(true);
    FileLoad::Stop stop;
    QString failure; // why the reading stopped short, when not for a format error
    {
        LineSource source(file);
        FileLoad load(prompts);
        try {
            stop = load.run(source);
        } catch (const FileValueError &e) {
            failure = conversionErrorText(e);
            stop = FileLoad::Stop::FormatError;
        }
    }
    file.close();
    prompts.setBusy(false);

    // A read that failed before the end would enter a cut recording as if it were whole.
    if (stop == FileLoad::Stop::ReadError)
        failure = kReadError;
    if (stop == FileLoad::Stop::FormatError || stop == FileLoad::Stop::ReadError) {
        prompts.notice(failure.isEmpty() ? kFormatError : failure);
        NewInfo[0].Ex_count = 0;
        NewInfo[1].Ex_count = 0;
    }
    if (NewInfo[0].Ex_count > 0)
        EntryNewData(SOURCE_OPEN_DIALOG);
    if (NewInfo[1].Ex_count > 0) {
        FreeNo = FreeNo2;
        NewInfo[0] = NewInfo[1];
        EntryNewData(SOURCE_OPEN_DIALOG);
    }
}

} // namespace
