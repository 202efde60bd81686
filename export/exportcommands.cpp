// Export commands of the viewer, through the prompts seam.
#include "exportcommands.h"

#include "exportformat.h"
#include "picture.h"
#include "prompts.h"
#include "store.h"

#include <QFileInfo>

namespace {

const QString kOverwrite = QStringLiteral("Do you want to overwrite the existing file?");

// The chosen file and its format; false when the operator cancelled or declined, or the name
// has none of the suffixes (which the operator is told).
bool chooseFile(Prompts &prompts, const FileDialogSpec &request, bool picture, QString *path,
                ExportFormat *format)
{
    *path = prompts.saveFileName(request);
    if (path->isEmpty())
        return false;
    if (!exportFormatOfPath(*path, format) || isPictureFormat(*format) != picture) {
        prompts.error(QStringLiteral("Choose a file name ending in %1.")
                          .arg(picture ? QStringLiteral(".png, .svg or .pdf")
                                       : QStringLiteral(".snirf or .edf")));
        return false;
    }
    return !QFileInfo::exists(*path) || prompts.caution(kOverwrite);
}

void report(Prompts &prompts, const QString &why)
{
    if (!why.isEmpty())
        prompts.error(QStringLiteral("Unable to export the file.\n%1").arg(why));
}

} // namespace

bool CanExportWindow(int w)
{
    if (w < 0 || w >= SLOT_COUNT)
        return false;
    const int slot = WinInfo[w].DataNo;
    return slot >= 0 && slot < SLOT_COUNT && DataInfo[slot].Enable &&
           recordingProblem(recordingOfSlot(slot)).isEmpty();
}

void ExportPictureCommand(QWidget *window, QWidget *menuBar, Prompts &prompts)
{
    const FileDialogSpec request{QStringLiteral("Export Picture"), QStringLiteral("Pictures"),
                                 QStringLiteral("*.png *.svg *.pdf"), QStringLiteral("png"),
                                 QString()};
    QString path;
    ExportFormat format;
    if (!chooseFile(prompts, request, true, &path, &format))
        return;
    prompts.setBusy(true);
    const QString why = writePicture(window, menuBar, format, path);
    prompts.setBusy(false);
    report(prompts, why);
}

void ExportWindowCommand(int w, Prompts &prompts, const ExportProgress &progress)
{
    if (!CanExportWindow(w))
        return;
    const FileDialogSpec request{
        QStringLiteral("Export Window %1").arg(w + 1), QStringLiteral("SNIRF or EDF+ files"),
        QStringLiteral("*.snirf *.edf"), QStringLiteral("snirf"), QString()};
    QString path;
    ExportFormat format;
    if (!chooseFile(prompts, request, false, &path, &format))
        return;
    prompts.setBusy(true);
    const QString why = writeRecording(recordingOfSlot(WinInfo[w].DataNo), format, path, progress);
    prompts.setBusy(false);
    report(prompts, why);
}
