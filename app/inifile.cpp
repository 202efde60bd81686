// The settings file's line rules and its key-by-key store on disk.
#include "inifile.h"
#include "prompts.h"
#include "wholefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>
#include <string_view>

namespace ini {
namespace {

constexpr char BOM[] = "\xEF\xBB\xBF";
constexpr qsizetype BOM_SIZE = 3;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One line of the file as offsets into it: its bytes (line end included) stay where they are,
// so that rewriting the file leaves every other line exactly as it was.
struct Line
{
    qsizetype start = 0, end = 0; // raw bytes, line end included
    enum Kind { Other, Section, Entry } kind = Other;
    std::string_view name;  // section name or key, trimmed
    std::string_view value; // entry value, trimmed
    bool blank = true;      // nothing but blanks
};

std::string_view trimmed(std::string_view t)
{
    while (!t.empty() && isBlank(t.front()))
        t.remove_prefix(1);
    while (!t.empty() && isBlank(t.back()))
        t.remove_suffix(1);
    return t;
}

// The lines of content one after the other, read once; a byte-order mark before the first
// line belongs to no line.
class LineScanner
{
public:
    explicit LineScanner(const QByteArray &content)
        : m_text(content.constData(), static_cast<size_t>(content.size())),
          m_pos(content.startsWith(BOM) ? BOM_SIZE : 0)
    {
    }
    bool next(Line &line)
    {
        if (m_pos >= static_cast<qsizetype>(m_text.size()))
            return false;
        const size_t lf = m_text.find('\n', static_cast<size_t>(m_pos));
        line.start = m_pos;
        line.end = lf == std::string_view::npos ? static_cast<qsizetype>(m_text.size())
                                                : static_cast<qsizetype>(lf) + 1;
        m_pos = line.end;
        const std::string_view text = trimmed(m_text.substr(
            static_cast<size_t>(line.start), static_cast<size_t>(line.end - line.start)));
        line.blank = text.empty();
        line.kind = Line::Other;
        if (text.starts_with('[')) {
            line.kind = Line::Section;
            const size_t close = text.find(']');
            line.name =
                trimmed(text.substr(1, close == std::string_view::npos ? text.npos : close - 1));
        } else if (!text.starts_with(';') && text.find('=') != std::string_view::npos) {
            const size_t eq = text.find('=');
            line.kind = Line::Entry;
            line.name = trimmed(text.substr(0, eq));
            line.value = trimmed(text.substr(eq + 1));
        }
        return true;
    }

private:
    std::string_view m_text;
    qsizetype m_pos;
};

// A section or key name to look for: ASCII names compare byte by byte without case, others
// the way QString compares them.
class Name
{
public:
    explicit Name(const QString &name) : m_text(name), m_utf8(name.toUtf8())
    {
        m_ascii = std::all_of(m_utf8.cbegin(), m_utf8.cend(),
                              [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    }
    bool matches(std::string_view n) const
    {
        if (m_ascii && static_cast<qsizetype>(n.size()) == m_utf8.size()) {
            bool same = true;
            for (size_t i = 0; same && i < n.size(); ++i)
                same = lower(n[i]) == lower(m_utf8.at(static_cast<qsizetype>(i)));
            if (same)
                return true;
        }
        if (m_ascii && std::all_of(n.begin(), n.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
            return false;
        return QString::fromUtf8(n.data(), static_cast<qsizetype>(n.size()))
                   .compare(m_text, Qt::CaseInsensitive) == 0;
    }

private:
    static char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
    QString m_text;
    QByteArray m_utf8;
    bool m_ascii = true;
};

QByteArray unquoted(std::string_view v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return QByteArray(v.data(), static_cast<qsizetype>(v.size()));
}

// The line end a file already uses; a new file gets CR LF like the platform's own.
QByteArray lineEndOf(const QByteArray &content)
{
    const qsizetype lf = content.indexOf('\n');
    if (lf > 0 && content.at(lf - 1) == '\r')
        return "\r\n";
    return lf >= 0 ? QByteArray("\n") : QByteArray("\r\n");
}

} // namespace

QString value(const QByteArray &content, const QString &section, const QString &key)
{
    const Name sectionName(section), keyName(key);
    LineScanner scan(content);
    Line line;
    bool inSection = false;
    bool seen = false; // the first matching section only
    while (scan.next(line)) {
        if (line.kind == Line::Section) {
            if (inSection)
                return QString();
            inSection = !seen && sectionName.matches(line.name);
            seen = seen || inSection;
        } else if (inSection && line.kind == Line::Entry && keyName.matches(line.name)) {
            return QString::fromUtf8(unquoted(line.value));
        }
    }
    return QString();
}

QByteArray withValue(const QByteArray &content, const QString &section, const QString &key,
                     const QString &value)
{
    const QByteArray eol = lineEndOf(content);
    // A last line without its line end gets one before anything is added after it.
    QByteArray base = content;
    const qsizetype textStart = content.startsWith(BOM) ? BOM_SIZE : 0;
    if (base.size() > textStart && !base.endsWith('\n'))
        base += eol;

    const Name sectionName(section), keyName(key);
    LineScanner scan(base);
    Line line;
    bool inSection = false, seen = false;
    qsizetype insertAt = -1; // after the section's last non-blank line
    Line found;
    bool haveKey = false;
    bool lastBlank = true;
    while (scan.next(line)) {
        lastBlank = line.blank;
        if (line.kind == Line::Section) {
            if (inSection)
                break;
            inSection = !seen && sectionName.matches(line.name);
            seen = seen || inSection;
            if (inSection)
                insertAt = line.end;
            continue;
        }
        if (!inSection)
            continue;
        if (line.kind == Line::Entry && keyName.matches(line.name)) {
            found = line;
            haveKey = true;
            break;
        }
        if (!line.blank)
            insertAt = line.end;
    }

    const QByteArray entryValue = value.toUtf8();
    if (haveKey) {
        const QByteArray end = base.mid(found.end - 2, 2) == "\r\n" ? "\r\n" : "\n";
        QByteArray out;
        out.reserve(base.size() + entryValue.size() + 2);
        out.append(base.constData(), found.start);
        out.append(found.name.data(), static_cast<qsizetype>(found.name.size()));
        out += '=' + entryValue + end;
        out.append(base.constData() + found.end, base.size() - found.end);
        return out;
    }
    const QByteArray entry = key.toUtf8() + '=' + entryValue + eol;
    if (!seen) {
        QByteArray out = base;
        if (base.size() > textStart && !lastBlank)
            out += eol;
        return out + '[' + section.toUtf8() + ']' + eol + entry;
    }
    QByteArray out;
    out.reserve(base.size() + entry.size());
    out.append(base.constData(), insertAt);
    out += entry;
    out.append(base.constData() + insertAt, base.size() - insertAt);
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

bool IniFile::load(QByteArray *content) const
{
    content->clear();
    QFile file(m_path);
    if (!file.exists())
        return true;
    // A file that exists but cannot be read is refused rather than replaced by a file
    // holding the new keys alone, which would lose every other setting.
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *content = file.readAll();
    return file.error() == QFileDevice::NoError;
}

const QByteArray &IniFile::contents() const
{
    if (m_batch == 0) {
        m_readable = load(&m_content);
    } else if (!m_loaded) {
        m_readable = load(&m_content);
        m_loaded = true;
    }
    return m_content;
}

void IniFile::reportWriteFailure()
{
    const QString full = QDir::toNativeSeparators(QFileInfo(m_path).absoluteFilePath());
    m_prompts.platformError(QStringLiteral("%1 に書き込めません").arg(full));
}

void IniFile::beginBatch()
{
    ++m_batch;
}

bool IniFile::endBatch()
{
    if (m_batch == 0 || --m_batch > 0)
        return true;
    bool ok = true;
    if (m_dirty && !m_refused) {
        ok = writeWholeFile(m_path, m_content);
        if (!ok)
            reportWriteFailure();
    }
    ok = ok && !m_refused;
    m_content.clear();
    m_loaded = m_dirty = m_refused = false;
    return ok;
}

QString IniFile::readString(const QString &section, const QString &key,
                            const QString &defaultValue) const
{
    const QString v = ini::value(contents(), section, key);
    if (m_batch == 0)
        m_content.clear();
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
    if (m_refused)
        return false;
    contents();
    if (!m_readable) {
        reportWriteFailure();
        if (m_batch == 0)
            m_content.clear();
        else
            m_refused = true;
        return false;
    }
    m_content = ini::withValue(m_content, section, key, value);
    if (m_batch > 0) {
        m_dirty = true;
        return true;
    }
    // Written whole under a temporary name and renamed over the old file: a failure or a
    // power loss never leaves the file empty or cut short.
    const bool ok = writeWholeFile(m_path, m_content);
    m_content.clear();
    if (!ok)
        reportWriteFailure();
    return ok;
}

IniBatch::IniBatch(IniFile &ini) : m_ini(ini)
{
    m_ini.beginBatch();
}

IniBatch::~IniBatch()
{
    if (!m_done)
        m_ini.endBatch();
}

bool IniBatch::commit()
{
    if (m_done)
        return true;
    m_done = true;
    return m_ini.endBatch();
}
