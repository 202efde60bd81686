// A Connect dialog without widgets: keeps what its controls would show and records every
// progress text, for keldra-tool and tests.
#pragma once

#include "commands.h"
#include "connectview.h"

#include <QStringList>
#include <functional>

class HeadlessConnectView : public ConnectView
{
public:
    bool scanEnabled = true, uploadEnabled = false, setEnabled = false, closeEnabled = true;
    bool devicesEnabled = true;
    Activity activity = Activity::None;
    QString uploadCaption = QStringLiteral("Upload");
    QStringList devices;
    int selected = -1;
    QString progressText;
    QStringList progressTexts;     // every text the progress label took, in order
    bool keepProgressTexts = true; // false: progressTexts stays empty (long uploads)
    bool progressTextVisible = false;
    int progressPosition = 0;
    bool progressBarVisible = false;
    int rate = 0, thick = 30, acc = 0, gyro = 0, autoOff = 0;
    // Called with every new progress text (tools print it at once).
    std::function<void(const QString &)> onProgress;

    void setScanEnabled(bool on) override { scanEnabled = on; }
    void setUploadEnabled(bool on) override { uploadEnabled = on; }
    void setUploadCaption(const QString &text) override { uploadCaption = text; }
    void setSetEnabled(bool on) override { setEnabled = on; }
    void setCloseEnabled(bool on) override { closeEnabled = on; }
    void setActivity(Activity a) override { activity = a; }
    void setDevicesEnabled(bool on) override { devicesEnabled = on; }
    void clearDevices() override
    {
        devices.clear();
        selected = -1;
    }
    void addDevice(const QString &serial) override { devices.append(serial); }
    int deviceCount() const override { return int(devices.size()); }
    void selectDevice(int index) override { selected = index; }
    QString selectedSerial() const override
    {
        return selected >= 0 && selected < devices.size() ? devices[selected] : QString();
    }
    void setProgressText(const QString &text) override
    {
        progressText = text;
        if (keepProgressTexts)
            progressTexts.append(text);
        if (onProgress)
            onProgress(text);
    }
    void setProgressTextVisible(bool on) override { progressTextVisible = on; }
    void setProgressPosition(int percent) override { progressPosition = percent; }
    void setProgressBarVisible(bool on) override { progressBarVisible = on; }
    QString setupCommandText() const override
    {
        return setupCommand(rate, thick, acc, gyro, autoOff);
    }
};
