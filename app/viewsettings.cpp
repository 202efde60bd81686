// Sections Form and Settings of the settings file.
#include "viewsettings.h"
#include "inifile.h"

namespace {

const QString FORM = QStringLiteral("Form");
const QString SETTINGS = QStringLiteral("Settings");

int readIndex(const IniFile &ini, const QString &key, int defaultValue, qsizetype count)
{
    const int v = ini.readInteger(SETTINGS, key, defaultValue);
    return v >= 0 && v < count ? v : defaultValue;
}

QString checkKey(int k)
{
    return QStringLiteral("Check%1").arg(k + 1);
}

} // namespace

QStringList aveItems()
{
    return {QStringLiteral("none"),     QStringLiteral("3 points"), QStringLiteral("5 points"),
            QStringLiteral("7 points"), QStringLiteral("9 points"), QStringLiteral("11 points")};
}

QStringList ampItems()
{
    return {QStringLiteral("x0.25"), QStringLiteral("x0.5"), QStringLiteral("x1"),
            QStringLiteral("x2"),    QStringLiteral("x4"),   QStringLiteral("x8"),
            QStringLiteral("x16")};
}

QStringList sensorItems()
{
    return {QStringLiteral("none"), QStringLiteral("Accelerometer"), QStringLiteral("Gyroscope")};
}

FormPlace readFormPlace(const IniFile &ini)
{
    FormPlace p;
    p.top = ini.readInteger(FORM, QStringLiteral("Top"), -1);
    p.left = ini.readInteger(FORM, QStringLiteral("Left"), -1);
    p.width = ini.readInteger(FORM, QStringLiteral("Width"), -1);
    p.height = ini.readInteger(FORM, QStringLiteral("Height"), -1);
    return p;
}

ViewSettings readViewSettings(const IniFile &ini)
{
    const ViewSettings defaults;
    ViewSettings s;
    s.amp = readIndex(ini, QStringLiteral("Amp"), defaults.amp, ampItems().size());
    s.ave = readIndex(ini, QStringLiteral("Ave"), defaults.ave, aveItems().size());
    s.sensor = readIndex(ini, QStringLiteral("Sensor"), defaults.sensor, sensorItems().size());
    for (int k = 0; k < 4; ++k)
        s.check[k] = ini.readBool(SETTINGS, checkKey(k), defaults.check[k]);
    return s;
}

bool writeFormPlace(IniFile &ini, const FormPlace &place)
{
    return ini.writeInteger(FORM, QStringLiteral("Top"), place.top) &&
           ini.writeInteger(FORM, QStringLiteral("Left"), place.left) &&
           ini.writeInteger(FORM, QStringLiteral("Width"), place.width) &&
           ini.writeInteger(FORM, QStringLiteral("Height"), place.height);
}

bool writeViewSettings(IniFile &ini, const ViewSettings &settings)
{
    if (!ini.writeInteger(SETTINGS, QStringLiteral("Amp"), settings.amp) ||
        !ini.writeInteger(SETTINGS, QStringLiteral("Ave"), settings.ave) ||
        !ini.writeInteger(SETTINGS, QStringLiteral("Sensor"), settings.sensor))
        return false;
    for (int k = 0; k < 4; ++k) {
        if (!ini.writeBool(SETTINGS, checkKey(k), settings.check[k]))
            return false;
    }
    return true;
}
