// The whole-file write on the system's own calls, each result checked: nothing is buffered
// here, so no failure can hide in a flush at the end.
#include "wholefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#ifdef Q_OS_WIN
#include <QSaveFile>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Bytes of the target's own name kept in the temporary name (at a character boundary); with
// the dot, the separator and the salt the name stays well under 255 bytes.
constexpr qsizetype TEMP_STEM_MAX = 200;

} // namespace

QString WholeFile::temporaryName(const QString &target, quint32 salt)
{
    const QFileInfo info(target);
    QByteArray stem = info.fileName().toUtf8();
    if (stem.size() > TEMP_STEM_MAX) {
        qsizetype cut = TEMP_STEM_MAX;
        while (cut > 0 && (static_cast<unsigned char>(stem.at(cut)) & 0xC0) == 0x80)
            --cut; // not inside a UTF-8 sequence
        stem.truncate(cut);
    }
    const QString name = QLatin1Char('.') + QString::fromUtf8(stem) + QStringLiteral(".~") +
                         QStringLiteral("%1").arg(salt, 8, 16, QLatin1Char('0'));
    return info.absoluteDir().filePath(name);
}

WholeFile::WholeFile(const QString &target) : m_target(QFileInfo(target).absoluteFilePath()) {}

WholeFile::~WholeFile()
{
    if (!m_committed)
        cancel();
}

#ifdef Q_OS_WIN

// Unbuffered, every write reaches the system and is checked; commit() then has nothing left
// to flush and reports the sync and the replacement.
bool WholeFile::open()
{
    m_file = new QSaveFile(m_target);
    m_failed = !m_file->open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return !m_failed;
}

bool WholeFile::write(const char *data, qint64 size)
{
    if (m_failed || !m_file)
        return false;
    m_failed = m_file->write(data, size) != size || m_file->error() != QFileDevice::NoError;
    return !m_failed;
}

bool WholeFile::commit()
{
    if (m_failed || !m_file || m_file->error() != QFileDevice::NoError) {
        cancel();
        return false;
    }
    m_committed = m_file->commit();
    delete m_file;
    m_file = nullptr;
    m_failed = !m_committed;
    return m_committed;
}

void WholeFile::cancel()
{
    if (m_file) {
        m_file->cancelWriting();
        delete m_file;
        m_file = nullptr;
    }
    m_failed = true;
}

#else

namespace {

constexpr int CREATE_TRIES = 64; // names already taken are skipped

bool syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno == EACCES; // a folder that may be written but not read cannot be synced
    int r;
    do {
        r = ::fsync(fd);
    } while (r != 0 && errno == EINTR);
    // File systems without a sync for folders say so with EINVAL: nothing more can be done.
    const bool synced = r == 0 || errno == EINVAL;
    return ::close(fd) == 0 && synced;
}

} // namespace

bool WholeFile::open()
{
    // A replaced file keeps its permission bits.
    mode_t mode = 0666;
    bool keepMode = false;
    struct stat old;
    if (::stat(QFile::encodeName(m_target).constData(), &old) == 0) {
        mode = old.st_mode & 07777;
        keepMode = true;
    }
    for (int i = 0; i < CREATE_TRIES && m_fd < 0; ++i) {
        m_temp = temporaryName(m_target, QRandomGenerator::global()->generate());
        m_fd = ::open(QFile::encodeName(m_temp).constData(),
                      O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (m_fd < 0 && errno != EEXIST && errno != EINTR)
            break;
    }
    if (m_fd < 0) {
        m_temp.clear();
        m_failed = true;
        return false;
    }
    if (keepMode && ::fchmod(m_fd, mode) != 0) {
        cancel();
        return false;
    }
    return true;
}

bool WholeFile::write(const char *data, qint64 size)
{
    if (m_failed || m_fd < 0)
        return false;
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, static_cast<size_t>(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_failed = true;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

bool WholeFile::commit()
{
    if (m_failed || m_fd < 0) {
        cancel();
        return false;
    }
    int r;
    do {
        r = ::fdatasync(m_fd);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        cancel();
        return false;
    }
    // close() reports the last deferred write error of some file systems; the descriptor is
    // gone whatever it says.
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (closed != 0) {
        cancel();
        return false;
    }
    const QByteArray temp = QFile::encodeName(m_temp);
    const QByteArray target = QFile::encodeName(m_target);
    if (::rename(temp.constData(), target.constData()) != 0) {
        cancel();
        return false;
    }
    m_temp.clear();
    m_committed = true;
    // Once renamed the new file is in place; a folder that cannot be synced still reports a
    // failure, as the replacement may not survive a power loss.
    if (!syncFolder(QFile::encodeName(QFileInfo(m_target).absolutePath()))) {
        m_failed = true;
        return false;
    }
    return true;
}

void WholeFile::cancel()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty()) {
        ::unlink(QFile::encodeName(m_temp).constData());
        m_temp.clear();
    }
    m_failed = true;
}

#endif

bool writeWholeFile(const QString &path, const QByteArray &data)
{
    WholeFile file(path);
    return file.open() && file.write(data) && file.commit();
}
