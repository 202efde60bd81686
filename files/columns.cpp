// Cells of a measurement file's lines: the header checks of line 0, the date, channel and
// title lines, and the sample lines of a Vm731 file.
#include "columns.h"

#include "store.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
[[gnu::noinline]] void generalNumberCell(const LINE_BUFF_TYPE &line, int cell, T &value)
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

// Integers of text separated by seps in turn, the last one running to the end. A missing
// separator leaves that integer and the later ones 0.
void splitInts(const LINE_BUFF_TYPE &line, int cell, std::string_view text, const char *seps,
               int count, int *out, FileValueError::Kind kind)
{
    for (int i = 0; i < count; ++i)
        out[i] = 0;
    for (int i = 0; i < count; ++i) {
        std::string_view field = text;
        if (i < count - 1) {
            const size_t p = text.find(seps[i]);
            if (p == std::string_view::npos)
                return;
            field = text.substr(0, p);
            text.remove_prefix(p + 1);
        }
        if (!parseNumber(field, out[i]))
            fail(line, cell, kind);
    }
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

// hours:minutes:seconds in a cell of up to 8 bytes, each field read the quick way. False when
// the cell has another shape; the general reading then gives the same value or the error.
bool shortTime(const LINE_BUFF_TYPE &line, int *t)
{
    const int len = line.len[0];
    if (len < 5 || len > SHORT_CELL_MAX)
        return false;
    const uint64_t w = cellWord(line, 0) >> (8 * (SHORT_CELL_MAX - len)); // from the bottom byte
    uint64_t colons = number_detail::equalBytes(w, ':') & (number_detail::HIGHS >> (64 - 8 * len));
    const uint64_t afterFirst = colons & (colons - 1);
    // A colon after each of the first two fields only.
    if (afterFirst == 0 || (afterFirst & (afterFirst - 1)) != 0)
        return false;
    const int first = std::countr_zero(colons) / 8;
    const int second = std::countr_zero(afterFirst) / 8;
    const int from[3] = {0, first + 1, second + 1};
    const int to[3] = {first, second, len};
    for (int i = 0; i < 3; ++i) {
        const int n = to[i] - from[i]; // below 8
        if (n == 0)
            return false;
        const uint64_t field = (w >> (8 * from[i])) << (8 * (SHORT_CELL_MAX - n)); // on top
        if (!parseShortNumber(field, n, t[i]))
            return false;
    }
    return true;
}

// The writer's TIME cell, "%02d:%02d:%02d" (two places each, a blank for a leading zero), at
// once: false for any other cell.
bool writerTime(const LINE_BUFF_TYPE &line, int *t)
{
    using namespace number_detail;
    constexpr uint64_t COLONS = uint64_t(':') << 16 | uint64_t(':') << 40;
    constexpr uint64_t LEADS = 0x0020000020000020ULL; // blanks in bytes 0, 3 and 6
    constexpr uint64_t UNITS = 0x8000008000008000ULL; // bytes 1, 4 and 7
    if (line.len[0] != SHORT_CELL_MAX)
        return false;
    const uint64_t w = cellWord(line, 0);
    const uint64_t x = w ^ (ONES * '0');
    const uint64_t digits = belowTen(x);
    const uint64_t keep = (digits >> 7) * 0xFF;
    // Without its digits the cell holds the colons and at most the leading blanks.
    if ((digits & UNITS) != UNITS || ((w & ~keep) & ~LEADS) != COLONS)
        return false;
    const uint64_t v = (x & keep) * 10 + ((x & keep) >> 8); // tens and units of each field
    t[0] = int(v & 0xFF);
    t[1] = int(v >> 24 & 0xFF);
    t[2] = int(v >> 48 & 0xFF);
    return true;
}

TDateTime timeCell(const LINE_BUFF_TYPE &line)
{
    // Lines share their TIME while the sampling interval is under a second: the same bytes
    // give the same time, so the last short cell's time is kept.
    static uint64_t lastWord = 0;
    static int lastLen = 0; // none yet
    static TDateTime lastTime = 0;
    const int len = line.len[0];
    const bool isShort = len >= 1 && len <= SHORT_CELL_MAX;
    const uint64_t word = isShort ? cellWord(line, 0) : 0;
    if (isShort && len == lastLen && word == lastWord)
        return lastTime;
    int t[3];
    if (!writerTime(line, t) && !shortTime(line, t))
        splitInts(line, 0, cellText(line, 0), "::", 3, t, FileValueError::TimeOfDay);
    if (!isValidTime(t[0], t[1], t[2]))
        fail(line, 0, FileValueError::TimeOfDay);
    const TDateTime time = encodeTime(t[0], t[1], t[2]);
    if (isShort) {
        lastWord = word;
        lastLen = len;
        lastTime = time;
    }
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
    constexpr int VALUES = 10, FIRST = 5;
    if (cellCount(line) < FIRST + k + VALUES)
        return false;
    double percent = 0;
    bool ok = quickCell(line, 8 + k, percent);
    for (int j = 0; j < 3; ++j) {
        ok &= quickCell(line, 5 + k + j, s.Nirs[j]);
        ok &= quickCell(line, 9 + k + j, s.Acc[j]);
        ok &= quickCell(line, 12 + k + j, s.Gyr[j]);
    }
    s.Nirs[3] = static_cast<float>(percent / 100.0); // as percentCell
    return ok;
}

void readChannel(const LINE_BUFF_TYPE &line, int c, int32_t index)
{
    SAMPLE_TYPE &s = NewSample[c];
    const int k = SECOND_CHANNEL_SHIFT * c;
    const bool two = NewInfo[0].NumCH == 2 && FreeNo2 != -1;
    s.Status = 0;
    std::memset(s.Nirs, 0, sizeof s.Nirs);
    std::memset(s.Acc, 0, sizeof s.Acc);
    std::memset(s.Gyr, 0, sizeof s.Gyr);

    const std::string_view event = cellText(line, 3 + k);
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
    if (cellText(line, 4 + k).starts_with('E'))
        s.Status |= STATUS_FILE_ERROR;
    if (NewInfo[0].Rev2 && quickValues(line, k, s))
        return;
    if (!NewInfo[0].Rev2) {
        s.Nirs[2] = valueCell(line, 5 + k);
        s.Nirs[3] = percentCell(line, 6 + k);
        return;
    }
    for (int j = 0; j < 3; ++j)
        s.Nirs[j] = valueCell(line, 5 + k + j);
    s.Nirs[3] = percentCell(line, 8 + k);
    for (int j = 0; j < 3; ++j) {
        s.Acc[j] = valueCell(line, 9 + k + j);
        s.Gyr[j] = valueCell(line, 12 + k + j);
    }
}

bool readSampleLine(const LINE_BUFF_TYPE &line)
{
    if (cellCount(line) < SAMPLE_CELLS_MIN)
        return true;
    NewSample[0].Time = timeCell(line);
    NewSample[0].Seq = intCell(line, 1);
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
    int32_t cn = 0;
    line.pos[0] = 0;
    // Returns false once the 100th cell is closed: what follows is ignored.
    auto comma = [&](int32_t i) {
        line.len[cn] = i - line.pos[cn];
        if (++cn == CELL_MAX)
            return false;
        line.pos[cn] = i + 1;
        return true;
    };
    int32_t i = 0;
#if defined(__SSE2__)
    // 32, then 16 bytes at a time; bit k of the mask is byte i + k.
    const __m128i commas = _mm_set1_epi8(',');
    for (; i + 32 <= line.n; i += 32) {
        __m128i v[2];
        std::memcpy(v, line.buff + i, 32);
        auto bits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v[0], commas))) |
                    static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v[1], commas))) << 16;
        for (; bits != 0; bits &= bits - 1) {
            if (!comma(i + std::countr_zero(bits))) {
                line.cn = cn;
                return;
            }
        }
    }
    for (; i + 16 <= line.n; i += 16) {
        __m128i v;
        std::memcpy(&v, line.buff + i, 16);
        auto bits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, commas)));
        for (; bits != 0; bits &= bits - 1) {
            if (!comma(i + std::countr_zero(bits))) {
                line.cn = cn;
                return;
            }
        }
    }
#endif
    if constexpr (std::endian::native == std::endian::little) {
        // Eight bytes at a time; the lowest set bit is the first comma in memory.
        for (; i + 8 <= line.n; i += 8) {
            uint64_t w;
            std::memcpy(&w, line.buff + i, 8);
            for (uint64_t bits = number_detail::equalBytes(w, ','); bits != 0; bits &= bits - 1) {
                if (!comma(i + std::countr_zero(bits) / 8)) {
                    line.cn = cn;
                    return;
                }
            }
        }
    }
    for (; i < line.n; ++i) {
        if (line.buff[i] == ',' && !comma(i)) {
            line.cn = cn;
            return;
        }
    }
    line.len[cn] = line.n - line.pos[cn];
    line.cn = cn;
}

bool GetColumn(LINE_BUFF_TYPE &line)
{
    if (line.n == 0)
        return true;
    SplitColumns(line);
    if (line.ln == 0)
        return checkHeader(line);
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
        return cellCount(line) < SAMPLE_CELLS_MIN || cellText(line, 0) != "TIME";
    default:
        return readSampleLine(line);
    }
}

bool GetColumn732(LINE_BUFF_TYPE &)
{
    return false;
}
