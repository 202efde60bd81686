// Parsing the simulator's sensor descriptions.
#include "simconfig.h"

#include <QStringList>

namespace {

const QString NAME_PREFIX = QStringLiteral("Vm731-");

bool parseBool(const QString &value, bool *out)
{
    const QString v = value.toLower();
    if (v.isEmpty() || v == QLatin1String("yes") || v == QLatin1String("true") ||
        v == QLatin1String("1")) {
        *out = true;
        return true;
    }
    if (v == QLatin1String("no") || v == QLatin1String("false") || v == QLatin1String("0")) {
        *out = false;
        return true;
    }
    return false;
}

bool parseInt(const QString &value, int min, int max, int *out)
{
    bool ok = false;
    const int n = value.toInt(&ok);
    if (!ok || n < min || n > max)
        return false;
    *out = n;
    return true;
}

} // namespace

QByteArray simGarbage()
{
    static const char bytes[] = "\x55\xAA#noise\x7D\x7C\x00\x03";
    return QByteArray(bytes, sizeof(bytes) - 1);
}

QString SensorSpec::advertisedName() const
{
    return name.isEmpty() ? NAME_PREFIX + serial : name;
}

bool parseSensorSpec(const QString &text, SensorSpec *sensorSpec, QString *error)
{
    SensorSpec s;
    bool haveSerial = false;
    // A file path runs to the end of the text, so that it may hold commas.
    QString rest = text;
    const int fileAt = rest.indexOf(QLatin1String("file="));
    if (fileAt >= 0 && (fileAt == 0 || rest.at(fileAt - 1) == QLatin1Char(','))) {
        s.file = rest.mid(fileAt + 5);
        rest.truncate(fileAt);
    }
    const QStringList items = rest.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &item : items) {
        const QString key = item.section(QLatin1Char('='), 0, 0).trimmed();
        const QString value = item.section(QLatin1Char('='), 1);
        bool ok = true;
        if (key == QLatin1String("serial")) {
            s.serial = value;
            haveSerial = true;
        } else if (key == QLatin1String("name")) {
            s.name = value;
            ok = !value.isEmpty();
        } else if (key == QLatin1String("paired")) {
            ok = parseBool(value, &s.paired);
        } else if (key == QLatin1String("unpaired")) {
            ok = value.isEmpty();
            s.paired = false;
        } else if (key == QLatin1String("trusted")) {
            ok = parseBool(value, &s.trusted);
        } else if (key == QLatin1String("samples")) {
            ok = parseInt(value, 0, 10000000, &s.samples);
        } else if (key == QLatin1String("chunk")) {
            ok = parseInt(value, 1, 509, &s.chunk);
        } else if (key == QLatin1String("pace")) {
            ok = parseInt(value, 0, 60000, &s.paceMs);
        } else if (key == QLatin1String("lose-after")) {
            ok = parseInt(value, 0, 100000000, &s.loseAfter);
        } else if (key == QLatin1String("mute")) {
            ok = parseBool(value, &s.mute);
        } else if (key == QLatin1String("refuse")) {
            ok = parseBool(value, &s.refuse);
        } else if (key == QLatin1String("garbage")) {
            ok = parseBool(value, &s.garbage);
        } else if (key == QLatin1String("rate")) {
            ok = parseInt(value, 0, 5, &s.rateCode);
        } else if (key == QLatin1String("escape-all")) {
            ok = parseBool(value, &s.escapeAll);
        } else if (key == QLatin1String("service")) {
            ok = parseBool(value, &s.offersService);
        } else if (key == QLatin1String("write-char")) {
            ok = parseBool(value, &s.hasWrite);
        } else if (key == QLatin1String("notify-char")) {
            ok = parseBool(value, &s.hasNotify);
        } else if (key == QLatin1String("rssi")) {
            ok = parseInt(value, -127, 20, &s.rssi);
        } else {
            *error = QStringLiteral("unknown sensor key \"%1\"").arg(key);
            return false;
        }
        if (!ok) {
            *error = QStringLiteral("bad value in \"%1\"").arg(item);
            return false;
        }
    }
    if (!haveSerial && s.name.isEmpty()) {
        *error = QStringLiteral("a sensor needs serial= or name=");
        return false;
    }
    *sensorSpec = s;
    return true;
}

QString devicePathElement(const QString &address)
{
    return QStringLiteral("dev_") + QString(address).replace(QLatin1Char(':'), QLatin1Char('_'));
}

QString sensorAddress(int index)
{
    return QStringLiteral("C0:FF:EE:00:%1:%2")
        .arg((index + 1) / 256 + 0x73, 2, 16, QLatin1Char('0'))
        .arg((index + 1) % 256, 2, 16, QLatin1Char('0'))
        .toUpper();
}
