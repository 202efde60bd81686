// The settings file: a private-profile INI file read and written key by key. Sections and
// keys match without regard to case; unknown keys and sections are kept untouched; every
// write is on disk when the call returns, replacing the whole file atomically.
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

    // Each write returns true when the value is on disk; false (after the error was shown)
    // when the file could not be written, so that the caller stops.
    bool writeInteger(const QString &section, const QString &key, int value);
    bool writeBool(const QString &section, const QString &key, bool value);
    bool writeString(const QString &section, const QString &key, const QString &value);

private:
    QString m_path;
    Prompts &m_prompts;
};
