// The settings file: a private-profile INI file read and written key by key. Sections and
// keys match without regard to case; unknown keys and sections are kept untouched; a
// byte-order mark at its start is ignored and kept. Every write replaces the whole file
// atomically. A show or close step runs as one batch (IniBatch): the file is read once and
// written once, so that its cost stays linear in the file's size; nothing is kept between
// batches.
#pragma once

#include <QByteArray>
#include <QString>

class Prompts;

// Pure text operations on the contents of an INI file, for the store below and for tests.
namespace ini {

// The value of key in section (trimmed, one pair of enclosing quotes removed), or a null
// QString when the section or key is missing. The first matching section and key win.
QString value(const QByteArray &content, const QString &section, const QString &key);
// The contents with key set to value: an existing key is replaced in place, a new key goes
// after the last entry of its section, a new section at the end. Every other line is kept.
QByteArray withValue(const QByteArray &content, const QString &section, const QString &key,
                     const QString &value);
// An integer as the file holds it: decimal with an optional sign, or "0x"/"0X" followed by
// hexadecimal digits. False for anything else (empty, other text, outside 32 bits).
bool parseInteger(const QString &text, int *result);

} // namespace ini

class IniFile
{
public:
    // Records the file name only; nothing is read or created. A refused write is reported
    // through prompts.platformError as "<path> に書き込めません".
    IniFile(const QString &path, Prompts &prompts);

    const QString &fileName() const { return m_path; }

    // Reading never fails: a missing file, section or key, or a value that is not a number,
    // gives the default.
    int readInteger(const QString &section, const QString &key, int defaultValue) const;
    // Read as an integer with default 1 or 0; any non-zero value is true.
    bool readBool(const QString &section, const QString &key, bool defaultValue) const;
    QString readString(const QString &section, const QString &key,
                       const QString &defaultValue) const;

    // Outside a batch each write returns true when the value is on disk; false (after the
    // error was shown) when the file could not be written, so that the caller stops.
    bool writeInteger(const QString &section, const QString &key, int value);
    bool writeBool(const QString &section, const QString &key, bool value);
    bool writeString(const QString &section, const QString &key, const QString &value);

    // A batch (see IniBatch; batches nest, the outermost one counts). Inside it reads and
    // writes work on one copy read at the first access; writes return true unless the file
    // exists but cannot be read. endBatch() writes the copy once when anything was written:
    // false (after the error was shown) when it could not.
    void beginBatch();
    bool endBatch();

private:
    // The file's contents, read now or, inside a batch, once; empty for a missing file.
    const QByteArray &contents() const;
    bool load(QByteArray *content) const; // false: the file exists but cannot be read
    void reportWriteFailure();

    QString m_path;
    Prompts &m_prompts;
    int m_batch = 0;
    mutable QByteArray m_content;
    mutable bool m_loaded = false;
    mutable bool m_readable = true;
    bool m_dirty = false;
    bool m_refused = false; // a write of this batch was refused (and reported)
};

// One show or close step of the settings file: begins a batch, and ends it at commit() or,
// when not committed, at destruction.
class IniBatch
{
public:
    explicit IniBatch(IniFile &ini);
    ~IniBatch();
    IniBatch(const IniBatch &) = delete;
    IniBatch &operator=(const IniBatch &) = delete;
    // Writes what the batch changed; false after the error was shown.
    bool commit();

private:
    IniFile &m_ini;
    bool m_done = false;
};
