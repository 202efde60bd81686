// The settings file's line rules and its key-by-key store on disk.
#include "inifile.h"
#include "prompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>
#include <limits>

namespace ini {
namespace {

// One line of the file, its bytes kept as read (line end included) so that rewriting the
// file leaves every other line exactly as it was.
struct Line
{
    QByteArray raw;
    enum Kind { Other, Section, Entry } kind = Other;
    QByteArray name;  // section name or key, trimmed
    QByteArray value; // entry value, trimmed
};

QList<Line> splitLines(const QByteArray &content)
{
    QList<Line> lines;
    qsizetype start = 0;
    while (start < content.size()) {
        qsizetype end = content.indexOf('\n', start);
        end = end < 0 ? content.size() : end + 1;
        Line line;
        line.raw = content.mid(start, end - start);
        const QByteArray text = line.raw.trimmed();
        if (text.startsWith('[')) {
            line.kind = Line::Section;
            const qsizetype close = text.indexOf(']');
            line.name = text.mid(1, close < 0 ? -1 : close - 1).trimmed();
        } else if (!text.startsWith(';') && text.contains('=')) {
            const qsizetype eq = text.indexOf('=');
            line.kind = Line::Entry;
            line.name = text.left(eq).trimmed();
            line.value = text.mid(eq + 1).trimmed();
        }
        lines.append(line);
        start = end;
    }
    return lines;
}

bool sameName(const QByteArray &a, const QString &b)
{
    return QString::fromUtf8(a).compare(b, Qt::CaseInsensitive) == 0;
}

QByteArray unquoted(const QByteArray &v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.mid(1, v.size() - 2);
    return v;
}

// The line end a file already uses; a new file gets CR LF like the platform's own.
QByteArray lineEndOf(const QByteArray &content)
{
    const qsizetype lf = content.indexOf('\n');
    if (lf > 0 && content.at(lf - 1) == '\r')
        return "\r\n";
    return lf >= 0 ? QByteArray("\n") : QByteArray("\r\n");
}

// Index of the first section header named section, or -1.
qsizetype findSection(const QList<Line> &lines, const QString &section)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == Line::Section && sameName(lines[i].name, section))
            return i;
    }
    return -1;
}

} // namespace

QString value(const QByteArray &content, const QString &section, const QString &key)
{
    const QList<Line> lines = splitLines(content);
    const qsizetype head = findSection(lines, section);
    if (head < 0)
        return QString();
    for (qsizetype i = head + 1; i < lines.size() && lines[i].kind != Line::Section; ++i) {
        if (lines[i].kind == Line::Entry && sameName(lines[i].name, key))
            return QString::fromUtf8(unquoted(lines[i].value));
    }
    return QString();
}

QByteArray withValue(const QByteArray &content, const QString &section, const QString &key,
                     const QString &value)
{
    QList<Line> lines = splitLines(content);
    const QByteArray eol = lineEndOf(content);
    // A last line without its line end gets one before anything is added after it.
    if (!lines.isEmpty() && !lines.back().raw.endsWith('\n'))
        lines.back().raw += eol;

    const qsizetype head = findSection(lines, section);
    if (head < 0) {
        QByteArray out;
        for (const Line &l : lines)
            out += l.raw;
        if (!out.isEmpty() && !lines.back().raw.trimmed().isEmpty())
            out += eol;
        return out + '[' + section.toUtf8() + ']' + eol + key.toUtf8() + '=' + value.toUtf8() + eol;
    }

    qsizetype insertAt = head + 1;
    qsizetype found = -1;
    for (qsizetype i = head + 1; i < lines.size() && lines[i].kind != Line::Section; ++i) {
        if (lines[i].kind == Line::Entry && sameName(lines[i].name, key)) {
            found = i;
            break;
        }
        if (!lines[i].raw.trimmed().isEmpty())
            insertAt = i + 1;
    }
    if (found >= 0) {
        Line &l = lines[found];
        const QByteArray end = l.raw.endsWith("\r\n") ? "\r\n" : "\n";
        l.raw = l.name + '=' + value.toUtf8() + end;
    } else {
        Line l;
        l.raw = key.toUtf8() + '=' + value.toUtf8() + eol;
        lines.insert(insertAt, l);
    }
    QByteArray out;
    for (const Line &l : lines)
        out += l.raw;
    return out;
}

bool parseInteger(const QString &text, int *result)
{
    bool ok = false;
    if (text.size() > 2 && text.at(0) == u'0' && (text.at(1) == u'x' || text.at(1) == u'X')) {
        const QString digits = text.mid(2);
        for (const QChar c : digits) {
            if (!c.isDigit() && !QStringLiteral("abcdefABCDEF").contains(c))
                return false;
        }
        const qulonglong v = digits.toULongLong(&ok, 16);
        if (!ok || v > std::numeric_limits<quint32>::max())
            return false;
        // Eight hexadecimal digits are a 32-bit pattern: 0xFFFFFFFF is -1.
        *result = static_cast<int>(static_cast<quint32>(v));
        return true;
    }
    const qsizetype signs = (text.startsWith(u'-') || text.startsWith(u'+')) ? 1 : 0;
    if (text.size() == signs)
        return false;
    for (qsizetype i = signs; i < text.size(); ++i) {
        if (text.at(i) < u'0' || text.at(i) > u'9')
            return false;
    }
    const qlonglong v = text.toLongLong(&ok, 10);
    if (!ok || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return false;
    *result = static_cast<int>(v);
    return true;
}

} // namespace ini

IniFile::IniFile(const QString &path, Prompts &prompts) : m_path(path), m_prompts(prompts) {}

QString IniFile::readString(const QString &section, const QString &key,
                            const QString &defaultValue) const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return defaultValue;
    const QString v = ini::value(file.readAll(), section, key);
    return v.isNull() ? defaultValue : v;
}

int IniFile::readInteger(const QString &section, const QString &key, int defaultValue) const
{
    int v = 0;
    return ini::parseInteger(readString(section, key, QString()), &v) ? v : defaultValue;
}

bool IniFile::readBool(const QString &section, const QString &key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool IniFile::writeInteger(const QString &section, const QString &key, int value)
{
    return writeString(section, key, QString::number(value));
}

bool IniFile::writeBool(const QString &section, const QString &key, bool value)
{
    return writeInteger(section, key, value ? 1 : 0);
}

bool IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    QByteArray content;
    bool ok = true;
    QFile old(m_path);
    if (old.exists()) {
        // A file that exists but cannot be read is refused rather than replaced by a file
        // holding this key alone, which would lose every other setting.
        ok = old.open(QIODevice::ReadOnly);
        content = old.readAll();
        ok = ok && old.error() == QFileDevice::NoError;
        old.close();
    }
    if (ok) {
        // The new contents go to a complete temporary file that is then renamed over the old
        // one, so a crash or power loss never leaves the file cut short.
        QSaveFile file(m_path);
        const QByteArray out = ini::withValue(content, section, key, value);
        ok = file.open(QIODevice::WriteOnly) && file.write(out) == out.size() && file.commit();
    }
    if (!ok) {
        const QString full = QDir::toNativeSeparators(QFileInfo(m_path).absoluteFilePath());
        m_prompts.platformError(QStringLiteral("%1 に書き込めません").arg(full));
    }
    return ok;
}
