// The measurement file writer: the file is written completely under a temporary name and
// replaces an existing one only when it is whole.
#include "writer.h"

#include "format.h"

#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

namespace {

const QString kOverwrite = QStringLiteral("Do you want to overwrite the existing file?");
const QString kCannotCreate = QStringLiteral("Unable to create file.");
constexpr int WRITE_CHUNK = 64 * 1024;

bool writeAll(QIODevice &out, const char *data, qint64 size)
{
    return out.write(data, size) == size;
}

} // namespace

bool writeMeasurement(QIODevice &out, const DATA_INFO_TYPE &info, int slot)
{
    const QByteArray header = formatHeaderLines(info);
    if (!writeAll(out, header.constData(), header.size()))
        return false;
    // The marked samples in order, walked alongside the samples (the list ends at the first -1).
    static int32_t marks[EVENT_MAX];
    const int32_t *list = EventList[slot];
    const int32_t *listEnd = std::find(list, list + EVENT_MAX, -1);
    int32_t *marksEnd = std::copy(list, listEnd, marks);
    std::sort(marks, marksEnd);
    const int32_t *mark = marks;
    static char chunk[WRITE_CHUNK + SAMPLE_LINE_MAX];
    int used = 0;
    for (int i = 0; i < info.Ex_count; ++i) {
        while (mark != marksEnd && *mark < i)
            ++mark;
        const bool marked = mark != marksEnd && *mark == i;
        used += formatSampleLine(chunk + used, SampleData[slot][i], marked);
        if (used >= WRITE_CHUNK) {
            if (!writeAll(out, chunk, used))
                return false;
            used = 0;
        }
    }
    return writeAll(out, chunk, used);
}

bool Save(Prompts &prompts)
{
    if (NewInfo[0].Ex_count == 0 || SaveDialogFileName.isEmpty())
        return false;
    if (QFileInfo::exists(SaveDialogFileName) && !prompts.caution(kOverwrite))
        return false;
    QSaveFile file(SaveDialogFileName);
    if (!file.open(QIODevice::WriteOnly)) {
        prompts.error(kCannotCreate);
        return false;
    }
    // commit() flushes and syncs, and reports a failure of either; on any failure the
    // temporary file is removed and the old one, if any, stays as it was.
    if (!writeMeasurement(file, NewInfo[0], FreeNo) || !file.commit()) {
        file.cancelWriting();
        prompts.error(kCannotCreate);
        return false;
    }
    return true;
}
