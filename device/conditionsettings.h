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
    // The reads of a show step and the writes of a close step are bracketed by these, so
    // that a store may read and write once per step. endStep() is false after a failure
    // to store was reported.
    virtual void beginStep() {}
    virtual bool endStep() { return true; }
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
