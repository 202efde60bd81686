// The reader's line buffer and the buffered byte source it is filled from: a file is read in
// chunks, never held whole, and no line costs an allocation.
#pragma once

#include "times.h"

#include <QIODevice>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

inline constexpr int LINE_BYTES_MAX = 511; // a longer line is cut; its rest is the next line
inline constexpr int CELL_MAX = 100;       // what follows the 100th cell is ignored

// The one line buffer, reused for every line.
struct LINE_BUFF_TYPE
{
    char buff[LINE_BYTES_MAX + 1]; // the line, then a zero byte
    int32_t n;                     // length of the line in bytes
    int32_t cn;                    // index of the last cell: the commas recognised, 0..100
    int32_t ln;                    // number of the line, from 0 (a cut line counts twice)
    int32_t pos[CELL_MAX];         // offset of each cell's first byte
    int32_t len[CELL_MAX];         // length of each cell in bytes
    std::string_view str;          // the line as text; pos indexes it
    int32_t fileLine;              // line of the file it begins on, from 1 as a person counts
    TimeMemo lastTime;             // of this file's sample lines so far
};

// Number of cells of the split line (cn + 1, at most CELL_MAX).
inline int cellCount(const LINE_BUFF_TYPE &line)
{
    return line.cn < CELL_MAX ? line.cn + 1 : CELL_MAX;
}

// Text of cell i; a cell the line does not have reads as empty.
inline std::string_view cellText(const LINE_BUFF_TYPE &line, int i)
{
    if (i >= cellCount(line))
        return {};
    return line.str.substr(static_cast<size_t>(line.pos[i]), static_cast<size_t>(line.len[i]));
}

// Cell i (present, 1 to 8 bytes) in the top bytes of one word, in little-endian order: its
// last byte on top; below it whatever stands before it in the line, or 0.
// The 8 bytes read always lie inside buff.
inline uint64_t cellWord(const LINE_BUFF_TYPE &line, int i)
{
    const int32_t len = line.len[i];
    const int32_t end = line.pos[i] + len;
    uint64_t w;
    if (end >= 8) {
        std::memcpy(&w, line.buff + end - 8, 8);
        return w;
    }
    std::memcpy(&w, line.buff + line.pos[i], 8);
    return w << (8 * (8 - len));
}

// Bytes of an open device, read in chunks of CHUNK_BYTES. The buffer is allocated once.
class LineSource
{
public:
    static constexpr qint64 CHUNK_BYTES = 64 * 1024;

    explicit LineSource(QIODevice &device);

    // True when bytes are waiting in the buffer (refilling it when empty); false at the end
    // of the device or on a read failure.
    bool fill() { return m_cur != m_end || refill(); }

    // True once a read failed (not merely reached the end): the lines so far are not the
    // whole file.
    bool failed() const { return m_failed; }

    const char *m_cur = nullptr;
    const char *m_end = nullptr;
    int32_t m_lfCount = 0; // LF bytes consumed so far

private:
    bool refill();

    QIODevice &m_device;
    std::unique_ptr<char[]> m_chunk;
    bool m_failed = false;
};

// Reads the next line into buff and n: LF ends it, CR is dropped wherever it stands, a byte
// from 0x80 on is taken with the byte after it and the pair becomes "?", and at most 511
// bytes are kept (the rest is the next line; a line of exactly 511 bytes takes its own LF).
// Returns n: 0 at the end of the file or at an empty line.
// Plain lines go the quick ways of scan/lines.h.
int ReadLine(LineSource &file, LINE_BUFF_TYPE &line);
// The same rules one byte at a time: what ReadLine must give, line for line.
int ReadLineReference(LineSource &file, LINE_BUFF_TYPE &line);
