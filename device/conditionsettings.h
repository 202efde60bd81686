// Where the Connect dialog keeps its measurement conditions: the "Condition" section of the
// settings file, key by key. The viewer backs it with the settings file; tests and tools
// with MemoryConditionSettings.
#pragma once

#include <QMap>
#include <QString>

class ConditionSettings
{
public:
    virtual ~ConditionSettings() = default;
    // The stored integer, or defaultValue when absent or not a number.
    virtual int readInteger(const QString &key, int defaultValue) = 0;
    // True when stored; false after the failure was reported (the caller then stops).
    virtual bool writeInteger(const QString &key, int value) = 0;
};

class MemoryConditionSettings : public ConditionSettings
{
public:
    QMap<QString, int> values;
    QStringList writtenKeys; // in the order written
    int readInteger(const QString &key, int defaultValue) override
    {
        return values.value(key, defaultValue);
    }
    bool writeInteger(const QString &key, int value) override
    {
        values[key] = value;
        writtenKeys.append(key);
        return true;
    }
};
