// Fuzz target: the settings file's line rules. Input: one byte choosing a key the program
// writes, four bytes of its value (big-endian), then the file's contents. A written key must
// read back, writing it again must change nothing, and no other key may change.
#include "checks.h"
#include "inifile.h"

#include <QList>
#include <QPair>

namespace {

using Name = QPair<QString, QString>; // section, key

const Name kKeys[] = {
    {"Form", "Top"},          {"Form", "Left"},        {"Form", "Width"},
    {"Form", "Height"},       {"Settings", "Amp"},     {"Settings", "Ave"},
    {"Settings", "Sensor"},   {"Settings", "Check1"},  {"Settings", "Check2"},
    {"Settings", "Check3"},   {"Settings", "Check4"},  {"Condition", "Rate"},
    {"Condition", "Thick"},   {"Condition", "RangeA"}, {"Condition", "RangeG"},
    {"Condition", "AutoOff"},
};
constexpr int NAMES_CHECKED = 64; // the value of every name is a pass over the file

bool same(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The section and key names that the file's lines spell, in order, and the program's own.
QList<Name> namesIn(const QByteArray &content)
{
    QList<Name> names(std::begin(kKeys), std::end(kKeys));
    QString section;
    for (const QByteArray &raw : content.split('\n')) {
        const QByteArray text = raw.trimmed();
        if (text.startsWith('[')) {
            const qsizetype close = text.indexOf(']');
            section = QString::fromUtf8(text.mid(1, close < 0 ? -1 : close - 1).trimmed());
        } else if (!text.startsWith(';') && text.contains('=') && names.size() < NAMES_CHECKED) {
            names.append({section, QString::fromUtf8(text.left(text.indexOf('=')).trimmed())});
        }
    }
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 5)
        return 0;
    const Name &key = kKeys[data[0] % std::size(kKeys)];
    const auto number = static_cast<int32_t>((uint32_t(data[1]) << 24) | (uint32_t(data[2]) << 16) |
                                             (uint32_t(data[3]) << 8) | data[4]);
    const QString value = QString::number(number);
    const QByteArray content(reinterpret_cast<const char *>(data + 5), qsizetype(size - 5));

    const QByteArray out = ini::withValue(content, key.first, key.second, value);
    FUZZ_CHECK(ini::value(out, key.first, key.second) == value);
    int read = 0;
    FUZZ_CHECK(ini::parseInteger(ini::value(out, key.first, key.second), &read) && read == number);
    FUZZ_CHECK(ini::withValue(out, key.first, key.second, value) == out);
    for (const Name &other : namesIn(content)) {
        if (same(other.first, key.first) && same(other.second, key.second))
            continue;
        const QString was = ini::value(content, other.first, other.second);
        const QString now = ini::value(out, other.first, other.second);
        FUZZ_CHECK(was.isNull() == now.isNull() && was == now);
    }
    return 0;
}
