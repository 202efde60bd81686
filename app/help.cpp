// Help: opens the user manual that lies beside the executable in the desktop's PDF viewer.
#include "help.h"

#include "prompts.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

QString helpFilePath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(HELP_FILE_NAME));
}

bool openHelp(Prompts &prompts, const QString &folder, const DocumentOpener &opener)
{
    const QFileInfo file(QDir(folder).filePath(QLatin1String(HELP_FILE_NAME)));
    // The desktop may accept a path that does not exist and fail later, out of sight: look
    // first.
    bool opened = file.isAbsolute() && file.isFile() && file.isReadable();
    if (opened) {
        const QUrl url = QUrl::fromLocalFile(file.absoluteFilePath());
        opened = opener ? opener(url) : QDesktopServices::openUrl(url);
    }
    if (!opened)
        prompts.error(QLatin1String(HELP_NOT_FOUND));
    return opened;
}

void H2Click(Prompts &prompts)
{
    openHelp(prompts, QCoreApplication::applicationDirPath());
}
