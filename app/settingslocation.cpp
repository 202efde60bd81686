// Choice of the settings file's folder.
#include "settingslocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

// A new file can be made in the folder (the settings file is replaced as a whole).
bool folderTakesFiles(const QString &folder)
{
    QTemporaryFile probe(folder + QStringLiteral("/.settings-probe-XXXXXX"));
    return probe.open();
}

// The file is missing or can be opened for writing; opening for appending changes nothing.
bool fileTakesWrites(const QString &path)
{
    QFile file(path);
    return !file.exists() || file.open(QIODevice::WriteOnly | QIODevice::Append);
}

} // namespace

QString settingsPathFor(const QString &exeFile, const QString &userConfigDir)
{
    const QFileInfo exe(exeFile);
    const QString name = exe.completeBaseName() + QStringLiteral(".ini");
    const QString beside = exe.absolutePath() + QLatin1Char('/') + name;
    if (folderTakesFiles(exe.absolutePath()) && fileTakesWrites(beside))
        return beside;
    // When the folder cannot be made either, the path is still this one: the first write then
    // reports it.
    QDir().mkpath(userConfigDir);
    return QDir(userConfigDir).absoluteFilePath(name);
}
