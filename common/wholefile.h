// A whole file or nothing: the new contents go to a temporary file beside the target, and
// only once every byte is written, synced and the file closed does it take the target's name.
// Any failure on the way leaves the old file (or no file) exactly as it was and removes the
// temporary file.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#ifdef Q_OS_WIN
class QSaveFile;
#endif

class WholeFile
{
public:
    explicit WholeFile(const QString &target);
    // Removes the temporary file unless commit() succeeded.
    ~WholeFile();
    WholeFile(const WholeFile &) = delete;
    WholeFile &operator=(const WholeFile &) = delete;

    // Creates the temporary file; false when it cannot be created.
    bool open();
    // Writes every byte (no buffering of its own: each call reaches the system); false on any
    // failure, after which every later call fails too.
    bool write(const char *data, qint64 size);
    bool write(const QByteArray &data) { return write(data.constData(), data.size()); }
    // Syncs and closes the temporary file, renames it over the target and syncs the folder.
    // True only when all of it succeeded; on false the target is untouched.
    bool commit();
    // Gives up: the temporary file is removed, the target untouched.
    void cancel();

    // The temporary file's name beside target: short enough for the file system's name limit
    // whenever the target's own name fits it.
    static QString temporaryName(const QString &target, quint32 salt);

private:
    QString m_target;
    QString m_temp;
#ifdef Q_OS_WIN
    QSaveFile *m_file = nullptr;
#else
    int m_fd = -1;
#endif
    bool m_failed = false;
    bool m_committed = false;
};

// The whole of data as the new contents of path; false when anything failed (path untouched).
bool writeWholeFile(const QString &path, const QByteArray &data);
