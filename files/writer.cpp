// The measurement file writer: the file is written completely under a temporary name and
// replaces an existing one only when it is whole.
#include "writer.h"

#include "format.h"

#include "wholefile.h"

#include <QFileInfo>
#include <algorithm>
#include <memory>

namespace {

const QString kOverwrite = QStringLiteral("Do you want to overwrite the existing file?");
const QString kCannotCreate = QStringLiteral("Unable to create file.");
constexpr int WRITE_CHUNK = 64 * 1024;

bool writeAll(QIODevice &out, const char *data, qint64 size)
{
    return out.write(data, size) == size;
}

} // namespace

namespace {

// The file's bytes in chunks of about WRITE_CHUNK; false as soon as put refuses one.
template <typename Put> bool formatMeasurement(const DATA_INFO_TYPE &info, int slot, Put put)
{
    const QByteArray header = formatHeaderLines(info);
    if (!put(header.constData(), header.size()))
        return false;
    // The marked samples in order, walked alongside the samples (the list ends at the first -1).
    int32_t marks[EVENT_MAX];
    const int32_t *list = EventList[slot];
    const int32_t *listEnd = std::find(list, list + EVENT_MAX, -1);
    int32_t *marksEnd = std::copy(list, listEnd, marks);
    std::sort(marks, marksEnd);
    const int32_t *mark = marks;
    const std::unique_ptr<char[]> buffer(new char[WRITE_CHUNK + SAMPLE_LINE_MAX]);
    char *const chunk = buffer.get();
    int used = 0;
    for (int i = 0; i < info.Ex_count; ++i) {
        while (mark != marksEnd && *mark < i)
            ++mark;
        const bool marked = mark != marksEnd && *mark == i;
        used += formatSampleLine(chunk + used, SampleData[slot][i], marked);
        if (used >= WRITE_CHUNK) {
            if (!put(chunk, used))
                return false;
            used = 0;
        }
    }
    return put(chunk, used);
}

} // namespace

bool writeMeasurement(QIODevice &out, const DATA_INFO_TYPE &info, int slot)
{
    return formatMeasurement(
        info, slot, [&](const char *data, qint64 size) { return writeAll(out, data, size); });
}

bool Save(Prompts &prompts)
{
    if (NewInfo[0].Ex_count == 0 || SaveDialogFileName.isEmpty())
        return false;
    if (QFileInfo::exists(SaveDialogFileName) && !prompts.caution(kOverwrite))
        return false;
    // Every write, the sync, the close and the rename are checked; on any failure the
    // temporary file is removed and the old one, if any, stays as it was.
    WholeFile file(SaveDialogFileName);
    const bool saved =
        file.open() &&
        formatMeasurement(NewInfo[0], FreeNo,
                          [&](const char *data, qint64 size) { return file.write(data, size); }) &&
        file.commit();
    if (!saved) {
        file.cancel();
        prompts.error(kCannotCreate);
    }
    return saved;
}
