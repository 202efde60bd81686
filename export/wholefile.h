// A file written whole or not at all by a writer that opens files by name (HDF5): the writer
// writes and closes a temporary file beside the target, which takes the target's place only
// after it is on disk. Writers on a QIODevice use QSaveFile for the same.
#pragma once

#include <QString>
#include <QTemporaryFile>

class FileByName
{
public:
    explicit FileByName(const QString &target);
    FileByName(const FileByName &) = delete;
    FileByName &operator=(const FileByName &) = delete;

    // False when no temporary file could be made beside the target; error() says why.
    bool isValid() const { return m_error.isEmpty(); }
    // The temporary file the writer fills (it exists, empty, until the writer replaces it).
    QString path() const { return m_temp.fileName(); }
    // Syncs the closed temporary file to disk and renames it to the target (replacing an
    // existing file in one step), then syncs the folder. False with error() on any failure;
    // the temporary file is removed then, and the target stays as it was.
    bool commit();
    QString error() const { return m_error; }

private:
    QString m_target;
    QTemporaryFile m_temp;
    QString m_error;
};
