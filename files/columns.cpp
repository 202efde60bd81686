// Cells of a measurement file's lines: the header checks of line 0, the date, channel and
// title lines, and the sample lines of a Vm731 file.
#include "columns.h"

#include "store.h"

#include "commas.h"
#include "simd.h"
#include "times.h"

#include <cstring>

namespace {

constexpr int RATE_MIN = 50, RATE_MAX = 5000; // ms
constexpr double FAT_MIN = 0, FAT_MAX = 11;   // mm
constexpr int ACC_RANGE_MIN = 2, ACC_RANGE_MAX = 16;
constexpr int GYR_RANGE_MIN = 125, GYR_RANGE_MAX = 2000;
constexpr size_t NAME_CELL_MIN = 2;  // sensor name and rate cells
constexpr size_t DATE_CELL_MIN = 10; // date-time cells
constexpr size_t MODEL_CHARS = 5;    // "Vm731"

[[noreturn]] void fail(const LINE_BUFF_TYPE &line, int cell, FileValueError::Kind kind)
{
    const std::string_view t = cellText(line, cell);
    throw FileValueError{kind, line.fileLine, cell,
                         QByteArray(t.data(), static_cast<qsizetype>(t.size()))};
}

// A number cell the general way; a cell that holds no number ends the reading.
template <typename T>
KELDRA_NOINLINE void generalNumberCell(const LINE_BUFF_TYPE &line, int cell, T &value)
{
    if (!parseNumber(cellText(line, cell), value))
        fail(line, cell, FileValueError::Number);
}

// A number cell; the short cells of sample lines are read the quick way, in line.
template <typename T> inline void numberCell(const LINE_BUFF_TYPE &line, int cell, T &value)
{
    if (cell < cellCount(line)) {
        const int len = line.len[cell];
        if (len >= 1 && len <= SHORT_CELL_MAX && parseShortNumber(cellWord(line, cell), len, value))
            return;
    }
    generalNumberCell(line, cell, value);
}

int intCell(const LINE_BUFF_TYPE &line, int cell)
{
    int v = 0;
    numberCell(line, cell, v);
    return v;
}

double doubleCell(const LINE_BUFF_TYPE &line, int cell)
{
    double v = 0;
    if (!parseNumber(cellText(line, cell), v))
        fail(line, cell, FileValueError::Number);
    return v;
}

// A value cell of a sample line: empty leaves the field 0.
inline float valueCell(const LINE_BUFF_TYPE &line, int cell)
{
    float v = 0;
    if (cell < cellCount(line) && line.len[cell] != 0)
        numberCell(line, cell, v);
    return v;
}

// StO2 in % into a fraction, through a double so that the quotient is rounded once.
inline float percentCell(const LINE_BUFF_TYPE &line, int cell)
{
    double v = 0;
    if (cell < cellCount(line) && line.len[cell] != 0)
        numberCell(line, cell, v);
    return static_cast<float>(v / 100.0);
}

// Integers of text separated by seps in turn (see splitFields); a field that is no integer
// ends the reading.
void splitInts(const LINE_BUFF_TYPE &line, int cell, std::string_view text, const char *seps,
               int count, int *out, FileValueError::Kind kind)
{
    if (!splitFields(text, seps, count, out))
        fail(line, cell, kind);
}

void setName(DATA_INFO_TYPE &info, std::string_view name)
{
    const size_t n = std::min(name.size(), static_cast<size_t>(DEVICE_NAME_MAX));
    std::memcpy(info.Log_Device, name.data(), n);
    info.Log_Device[n] = '\0';
}

int modelOf(std::string_view name)
{
    const std::string_view model = name.substr(0, MODEL_CHARS);
    if (model == "Vm731")
        return DEVICE_VM731;
    if (model == "Vm732")
        return DEVICE_VM732;
    return DEVICE_UNKNOWN;
}

// A thickness cell: not empty, a number from 0 to 11.
bool readFat(const LINE_BUFF_TYPE &line, int cell, double &fat)
{
    if (cellText(line, cell).empty())
        return false;
    const double v = doubleCell(line, cell);
    if (v < FAT_MIN || v > FAT_MAX)
        return false;
    fat = v;
    return true;
}

// A range cell: not empty, an integer from lo to hi.
bool readRange(const LINE_BUFF_TYPE &line, int cell, int lo, int hi, int32_t &range)
{
    if (cellText(line, cell).empty())
        return false;
    const int v = intCell(line, cell);
    if (v < lo || v > hi)
        return false;
    range = v;
    return true;
}

unsigned checkSecondChannel(const LINE_BUFF_TYPE &line)
{
    const DATA_INFO_TYPE &first = NewInfo[0];
    DATA_INFO_TYPE &second = NewInfo[1];
    second.DeviceType = first.DeviceType;
    second.Rev2 = first.Rev2;
    second.Log_Rate = first.Log_Rate;
    second.Log_Range[0] = first.Log_Range[0];
    second.Log_Range[1] = first.Log_Range[1];
    second.NumCH = 0;
    if (cellText(line, 15) != "S/N")
        return 0;
    unsigned bits = HEAD_SN2;
    if (!cellText(line, 16).empty()) {
        bits |= HEAD_NAME2;
        setName(second, cellText(line, 16));
    }
    if (cellText(line, 17) == "TH")
        bits |= HEAD_TH2;
    if (readFat(line, 18, second.Log_FatThick))
        bits |= HEAD_TH2_VALUE;
    return bits;
}

bool checkHeader(const LINE_BUFF_TYPE &line)
{
    DATA_INFO_TYPE &info = NewInfo[0];
    info.DeviceType = DEVICE_UNKNOWN;
    info.NumCH = 1;
    info.Rev2 = false;
    const int cells = cellCount(line);
    if (cells < HEADER_CELLS_MIN || cellText(line, 0) != "S/N")
        return true;
    unsigned bits = HEAD_SN;
    const std::string_view name = cellText(line, 1);
    if (name.size() >= NAME_CELL_MIN) {
        bits |= HEAD_NAME;
        setName(info, name);
        info.DeviceType = modelOf(name);
        if (info.DeviceType == DEVICE_UNKNOWN)
            return true;
    }
    if (cellText(line, 2) == "RATE")
        bits |= HEAD_RATE;
    if (cellText(line, 3).size() >= NAME_CELL_MIN) {
        const int rate = intCell(line, 3);
        if (rate >= RATE_MIN && rate <= RATE_MAX) {
            info.Log_Rate = rate;
            bits |= HEAD_RATE_VALUE;
        }
    }
    if (cellText(line, 4) == "TH")
        bits |= HEAD_TH;
    if (readFat(line, 5, info.Log_FatThick))
        bits |= HEAD_TH_VALUE;
    if (cells >= HEADER_CELLS_STANDARD && cellText(line, 6) == "RANGE") {
        bits |= HEAD_RANGE;
        info.Rev2 = true;
        if (readRange(line, 7, ACC_RANGE_MIN, ACC_RANGE_MAX, info.Log_Range[0]))
            bits |= HEAD_ACC_RANGE;
        if (readRange(line, 8, GYR_RANGE_MIN, GYR_RANGE_MAX, info.Log_Range[1]))
            bits |= HEAD_GYR_RANGE;
    }
    if (cells >= HEADER_CELLS_TWO)
        bits |= checkSecondChannel(line);
    const unsigned want = cells < HEADER_CELLS_STANDARD ? HEAD_SHORT_FORM
                          : cells < HEADER_CELLS_TWO    ? HEAD_STANDARD_FORM
                                                        : HEAD_TWO_CHANNEL_FORM;
    if (bits != want)
        return true;
    if (cells >= HEADER_CELLS_TWO)
        info.NumCH = 2;
    return false;
}

// Line 1 (START) or line 2 (END): one date-time per channel.
bool readDateLine(const LINE_BUFF_TYPE &line, bool start)
{
    const std::string_view keyword = start ? "START" : "END";
    const bool rev2 = NewInfo[0].Rev2;
    for (int c = 0; c < NewInfo[0].NumCH; ++c) {
        const int keyCell = SECOND_CHANNEL_CELLS * c;
        const int dateCell = rev2 ? keyCell : keyCell + 1;
        std::string_view text = cellText(line, dateCell);
        if (text.size() < DATE_CELL_MIN || !cellText(line, keyCell).starts_with(keyword))
            return true;
        if (rev2)
            text.remove_prefix(keyword.size());
        int v[6];
        splitInts(line, dateCell, text, "// ::", 6, v, FileValueError::DateTime);
        TDateTime value;
        if (!tryEncodeDateTime({v[0], v[1], v[2], v[3], v[4], v[5], 0}, &value))
            fail(line, dateCell, FileValueError::DateTime);
        (start ? NewInfo[c].Log_start : NewInfo[c].Log_end) = value;
    }
    return false;
}

bool checkChannelLine(const LINE_BUFF_TYPE &line)
{
    int channels = 0;
    for (int i = 0; i < cellCount(line); ++i)
        channels += cellText(line, i).starts_with("CH");
    return channels != NewInfo[0].NumCH;
}

TDateTime timeCell(LINE_BUFF_TYPE &line)
{
    constexpr int cell = sample_cell::TIME;
    const int len = line.len[cell];
    const bool isShort = len >= 1 && len <= SHORT_CELL_MAX;
    const uint64_t word = isShort ? cellWord(line, cell) : 0;
    if (isShort && line.lastTime.holds(word, len))
        return line.lastTime.time;
    int t[3];
    if (!writerTime(word, len, t) && !shortTime(word, len, t))
        splitInts(line, cell, cellText(line, cell), "::", 3, t, FileValueError::TimeOfDay);
    if (!isValidTime(t[0], t[1], t[2]))
        fail(line, cell, FileValueError::TimeOfDay);
    const TDateTime time = encodeTime(t[0], t[1], t[2]);
    if (isShort)
        line.lastTime = {word, len, time};
    return time;
}

// A value cell the quick way: empty gives 0; false when it needs the general reading.
template <typename T> inline bool quickCell(const LINE_BUFF_TYPE &line, int cell, T &value)
{
    const int len = line.len[cell];
    if (len == 0) {
        value = 0;
        return true;
    }
    return len <= SHORT_CELL_MAX && parseShortNumber(cellWord(line, cell), len, value);
}

// The ten value cells of a channel of the standard form, all short, the quick way; false when
// the line lacks one or one needs the general reading (which then sets every value again).
bool quickValues(const LINE_BUFF_TYPE &line, int k, SAMPLE_TYPE &s)
{
    using namespace sample_cell;
    if (cellCount(line) < END + k)
        return false;
    double percent = 0;
    bool ok = quickCell(line, PERCENT + k, percent);
    for (int j = 0; j < AXES; ++j) {
        ok &= quickCell(line, NIRS + k + j, s.Nirs[j]);
        ok &= quickCell(line, ACC + k + j, s.Acc[j]);
        ok &= quickCell(line, GYR + k + j, s.Gyr[j]);
    }
    s.Nirs[3] = static_cast<float>(percent / 100.0); // as percentCell
    return ok;
}

void readChannel(const LINE_BUFF_TYPE &line, int c, int32_t index)
{
    using namespace sample_cell;
    SAMPLE_TYPE &s = NewSample[c];
    const int k = SECOND_CHANNEL_SHIFT * c;
    const bool two = NewInfo[0].NumCH == 2 && FreeNo2 != -1;
    s.Status = 0;
    std::memset(s.Nirs, 0, sizeof s.Nirs);
    std::memset(s.Acc, 0, sizeof s.Acc);
    std::memset(s.Gyr, 0, sizeof s.Gyr);

    const std::string_view event = cellText(line, EVENT + k);
    if (event.size() >= 2 && event[0] == 'S') {
        if (c == 0) {
            AddEvent(FreeNo, index);
            // "S1" in the first channel's cell marks the second channel too.
            if (two && event[1] == '1')
                AddEvent(FreeNo2, index);
        } else if (two) {
            AddEvent(FreeNo2, index);
        }
    }
    if (cellText(line, ERROR + k).starts_with('E'))
        s.Status |= STATUS_FILE_ERROR;
    if (NewInfo[0].Rev2 && quickValues(line, k, s))
        return;
    if (!NewInfo[0].Rev2) {
        s.Nirs[2] = valueCell(line, SHORT_NIRS + k);
        s.Nirs[3] = percentCell(line, SHORT_PERCENT + k);
        return;
    }
    for (int j = 0; j < AXES; ++j)
        s.Nirs[j] = valueCell(line, NIRS + k + j);
    s.Nirs[3] = percentCell(line, PERCENT + k);
    for (int j = 0; j < AXES; ++j) {
        s.Acc[j] = valueCell(line, ACC + k + j);
        s.Gyr[j] = valueCell(line, GYR + k + j);
    }
}

bool readSampleLine(LINE_BUFF_TYPE &line)
{
    if (cellCount(line) < SAMPLE_CELLS_MIN)
        return true;
    NewSample[0].Time = timeCell(line);
    NewSample[0].Seq = intCell(line, sample_cell::SEQ);
    NewSample[1].Time = NewSample[0].Time;
    NewSample[1].Seq = NewSample[0].Seq;
    for (int c = 0; c < NewInfo[0].NumCH && c < CHANNEL_MAX; ++c)
        readChannel(line, c, NewInfo[0].Ex_count);
    return false;
}

} // namespace

void SplitColumns(LINE_BUFF_TYPE &line)
{
    line.str = std::string_view(line.buff, static_cast<size_t>(line.n));
    line.cn = splitCommasBlocks(line.buff, line.n, line.pos, line.len, CELL_MAX);
}

bool GetColumn(LINE_BUFF_TYPE &line)
{
    if (line.n == 0)
        return true;
    SplitColumns(line);
    if (line.ln == 0) {
        line.lastTime = {}; // a new file
        return checkHeader(line);
    }
    switch (CurDeviceType) {
    case DEVICE_VM731:
        return GetColumn731(line);
    case DEVICE_VM732:
        return GetColumn732(line);
    default:
        return true;
    }
}

bool GetColumn731(LINE_BUFF_TYPE &line)
{
    switch (line.ln) {
    case 0:
        return false;
    case 1:
    case 2:
        return readDateLine(line, line.ln == 1);
    case 3:
        return checkChannelLine(line);
    case 4:
        return cellCount(line) < SAMPLE_CELLS_MIN || cellText(line, sample_cell::TIME) != "TIME";
    default:
        return readSampleLine(line);
    }
}

bool GetColumn732(LINE_BUFF_TYPE &)
{
    return false;
}
