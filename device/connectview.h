// What the link session needs of the Connect dialog's controls. Form3 implements it on its
// widgets; tools use a headless one that records what the controls would show.
#pragma once

#include <QString>

class ConnectView
{
public:
    // What the pointer shows over the dialog: nothing special; a transfer the operator may
    // cancel runs in the background; a wait nothing on screen can end.
    enum class Activity { None, Working, Waiting };

    virtual ~ConnectView() = default;
    virtual void setScanEnabled(bool on) = 0;   // Scan Device
    virtual void setUploadEnabled(bool on) = 0; // Upload / Cancel
    virtual void setUploadCaption(const QString &text) = 0;
    virtual void setSetEnabled(bool on) = 0;   // Set
    virtual void setCloseEnabled(bool on) = 0; // Close
    virtual void setActivity(Activity activity) = 0;
    // The device box.
    virtual void setDevicesEnabled(bool on) = 0;
    virtual void clearDevices() = 0;
    virtual void addDevice(const QString &serial) = 0;
    virtual int deviceCount() const = 0;
    virtual void selectDevice(int index) = 0; // -1: no selection
    virtual QString selectedSerial() const = 0;
    // The progress label and the progress bar (0..100).
    virtual void setProgressText(const QString &text) = 0;
    virtual void setProgressTextVisible(bool on) = 0;
    virtual void setProgressPosition(int percent) = 0;
    virtual void setProgressBarVisible(bool on) = 0;
    // The "SS" set-up command built from the condition controls.
    virtual QString setupCommandText() const = 0;
};
