// The temporary file beside the target, its sync and its rename.
#include "wholefile.h"

#include <QDir>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
bool syncPath(const QString &path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}
#endif

} // namespace

FileByName::FileByName(const QString &target) : m_target(target)
{
    const QFileInfo info(target);
    m_temp.setFileTemplate(info.absoluteDir().filePath(QLatin1Char('.') + info.fileName() +
                                                       QStringLiteral(".XXXXXX")));
    if (!m_temp.open()) {
        m_error = m_temp.errorString();
        return;
    }
    m_temp.close();
    // The permissions of the file it replaces, or those of a newly created file.
    QFileDevice::Permissions permissions = QFileInfo::exists(target)
                                               ? QFile::permissions(target)
                                               : QFileDevice::Permissions();
#ifdef Q_OS_UNIX
    if (!QFileInfo::exists(target)) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        const QFileDevice::Permission bits[] = {
            QFileDevice::ReadOwner, QFileDevice::WriteOwner, QFileDevice::ReadGroup,
            QFileDevice::WriteGroup, QFileDevice::ReadOther, QFileDevice::WriteOther};
        const mode_t modes[] = {S_IRUSR, S_IWUSR, S_IRGRP, S_IWGRP, S_IROTH, S_IWOTH};
        for (int i = 0; i < 6; ++i) {
            if (!(mask & modes[i]))
                permissions |= bits[i];
        }
    }
#endif
    if (permissions != QFileDevice::Permissions() && !m_temp.setPermissions(permissions))
        m_error = m_temp.errorString();
}

bool FileByName::commit()
{
    if (!isValid())
        return false;
#ifdef Q_OS_UNIX
    if (!syncPath(m_temp.fileName(), O_RDONLY)) {
        m_error = QStringLiteral("The file could not be written to disk.");
        return false;
    }
#endif
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(m_temp.fileName()).constData(),
                            QFile::encodeName(m_target).constData(), ec);
    if (ec) {
        m_error = QString::fromLocal8Bit(ec.message().c_str());
        return false;
    }
    m_temp.setAutoRemove(false); // it is the target now
#ifdef Q_OS_UNIX
    // The rename itself reaches the disk with the folder.
    if (!syncPath(QFileInfo(m_target).absolutePath(), O_RDONLY | O_DIRECTORY)) {
        m_error = QStringLiteral("The file could not be written to disk.");
        return false;
    }
#endif
    return true;
}
