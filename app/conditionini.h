// The Connect dialog's measurement conditions kept in the "Condition" section of the settings
// file, through the main window's settings file (a refused write is reported there).
#pragma once

#include "conditionsettings.h"
#include "inifile.h"

class IniConditionSettings : public ConditionSettings
{
public:
    explicit IniConditionSettings(IniFile &ini) : m_ini(ini) {}

    int readInteger(const QString &key, int defaultValue) override
    {
        return m_ini.readInteger(section(), key, defaultValue);
    }
    bool writeInteger(const QString &key, int value) override
    {
        return m_ini.writeInteger(section(), key, value);
    }

    void beginStep() override { m_ini.beginBatch(); }
    bool endStep() override { return m_ini.endBatch(); }

private:
    static QString section() { return QStringLiteral("Condition"); }
    IniFile &m_ini;
};
