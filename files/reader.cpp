// The Open command: the reading loop with its filled-in and repeated samples, the slot limit
// and the messages of every failure.
#include "reader.h"

#include "store.h"

#include <QFile>
#include <cmath>

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

    explicit FileLoad(Prompts &prompts) : m_prompts(prompts) {}

    Stop run(LineSource &file);

private:
    bool secondSlot() const { return NewInfo[0].NumCH == 2 && FreeNo2 != -1; }
    bool full() const { return NewInfo[0].Ex_count >= SAMPLE_MAX; }
    void append(int c, const SAMPLE_TYPE &sample);
    void appendCopyOfLast(TDateTime time, uint16_t extraStatus, bool keepTime);
    bool takeSample(); // false when the slot became full
    void repeatLast();

    Prompts &m_prompts;
    bool m_error = false;
    TDateTime m_interval = 0; // the sampling interval as a day fraction
    TDateTime m_expected = 0; // the expected time of the next sample
};

void FileLoad::append(int c, const SAMPLE_TYPE &sample)
{
    DATA_INFO_TYPE &info = NewInfo[c];
    SAMPLE_TYPE &slot = SampleData[c == 0 ? FreeNo : FreeNo2][info.Ex_count];
    slot = sample;
    slot.Seq = info.Ex_count;
    ++info.Ex_count;
}

void FileLoad::appendCopyOfLast(TDateTime time, uint16_t extraStatus, bool keepTime)
{
    for (int c = 0; c < (secondSlot() ? 2 : 1); ++c) {
        SAMPLE_TYPE copy = SampleData[c == 0 ? FreeNo : FreeNo2][NewInfo[c].Ex_count - 1];
        if (!keepTime)
            copy.Time = time;
        copy.Status |= extraStatus;
        append(c, copy);
    }
}

// Whole seconds of the time of day of a day fraction, in ms.
int64_t wholeSecondsMs(TDateTime t)
{
    return timeOfDayMs(t) / 1000 * 1000;
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
            if (WindowCount != 0 && CurDeviceType != NewInfo[0].DeviceType) {
                m_prompts.notice(kOtherType);
                return Stop::OtherType;
            }
            CurDeviceType = NewInfo[0].DeviceType;
            m_interval = msToDays(NewInfo[0].Log_Rate);
        }
        if (ln >= FIRST_SAMPLE_LINE) {
            if (!m_error) {
                if (!takeSample()) {
                    m_prompts.notice(kNoRoom);
                    return Stop::Full;
                }
            } else if (NewInfo[0].Ex_count > 0) {
                // An unreadable line after the first sample: the last sample stands in for it.
                appendCopyOfLast(0, STATUS_REPEATED, true);
                m_error = false;
                if (full()) {
                    m_prompts.notice(kNoRoom);
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

} // namespace

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
