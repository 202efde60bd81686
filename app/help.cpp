// Help: opens the user manual that lies beside the executable in the desktop's PDF viewer.
#include "help.h"

#include "prompts.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QProcess>
#include <QStandardPaths>

QString helpFilePath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(HELP_FILE_NAME));
}

namespace {

// Launchers still waiting for their viewer after the bound: kept, and never killed, until they
// end on their own. The list itself outlives the program's static data, so that a launcher
// still running at exit stays accounted for.
QList<QProcess *> &runningLaunchers()
{
    static auto *launchers = new QList<QProcess *>;
    return *launchers;
}

} // namespace

bool runLauncher(const QString &launcher, const QUrl &url, int boundMs)
{
    const QString program = QStandardPaths::findExecutable(launcher);
    if (program.isEmpty())
        return false;
    // Parentless and never deleted while it runs: a launcher that waits for the viewer must
    // outlive this call and even the viewer's own exit, and deleting a QProcess kills it.
    auto *process = new QProcess;
    process->setProgram(program);
    process->setArguments({url.isLocalFile() ? url.toLocalFile() : url.toString()});
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted(boundMs)) {
        delete process;
        return false;
    }
    if (!process->waitForFinished(boundMs)) {
        runningLaunchers().append(process);
        QObject::connect(process, &QProcess::finished, process, [process] {
            runningLaunchers().removeOne(process);
            process->deleteLater();
        });
        return true;
    }
    const bool ok = process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
    delete process;
    return ok;
}

bool openDocument(const QUrl &url)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS) && !defined(Q_OS_ANDROID)
    // The toolkit starts xdg-open detached and calls that success even when no program
    // for PDF files exists; its exit status says what really happened.
    const QString launcher = QStringLiteral("xdg-open");
    if (!QStandardPaths::findExecutable(launcher).isEmpty())
        return runLauncher(launcher, url);
#endif
    return QDesktopServices::openUrl(url);
}

bool openHelp(Prompts &prompts, const QString &folder, const DocumentOpener &opener)
{
    const QFileInfo file(QDir(folder).filePath(QLatin1String(HELP_FILE_NAME)));
    // The desktop may accept a path that does not exist and fail later, out of sight: look
    // first.
    bool opened = file.isAbsolute() && file.isFile() && file.isReadable();
    if (opened) {
        const QUrl url = QUrl::fromLocalFile(file.absoluteFilePath());
        prompts.setBusy(true);
        opened = opener ? opener(url) : openDocument(url);
        prompts.setBusy(false);
    }
    if (!opened)
        prompts.error(QLatin1String(HELP_NOT_FOUND));
    return opened;
}

void H2Click(Prompts &prompts)
{
    openHelp(prompts, QCoreApplication::applicationDirPath());
}
