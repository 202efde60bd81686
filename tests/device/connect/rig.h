// The Connect dialog on simulated sensors, with scripted prompts and settings in memory.
#pragma once

#include "conditionsettings.h"
#include "form3.h"
#include "packetdecoder.h"
#include "scriptedprompts.h"
#include "sensormodel.h"
#include "simulatedcentral.h"
#include "store.h"
#include "updown.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <memory>

struct Rig
{
    ScriptedPrompts prompts;
    MemoryConditionSettings settings;
    SimulatedCentral ble;
    PacketDecoder decoder;
    std::unique_ptr<Form3> form;
    QList<SensorModel *> sensors;
    const QDateTime clock{QDate(2025, 3, 7), QTime(14, 5, 9, 600)};

    Rig()
    {
        ResetStore();
        form = std::make_unique<Form3>(ble, decoder, prompts, settings);
        form->session().setClock([this] { return clock; });
        form->session().setWriteTimeout(300);
    }
    ~Rig() { qDeleteAll(sensors); }

    SensorModel *addSensor(const QString &serial, int records = 3)
    {
        auto *s = new SensorModel(serial);
        s->setRecording(generateRecording(records));
        s->notificationSize = 20;
        sensors.append(s);
        ble.addSensor(s);
        return s;
    }

    template <typename W> W *child(const char *name)
    {
        W *w = form->findChild<W *>(QLatin1String(name));
        if (!w)
            qFatal("control %s missing", name);
        return w;
    }
    QPushButton *button(const char *name) { return child<QPushButton>(name); }
    QComboBox *combo(const char *name) { return child<QComboBox>(name); }

    void click(const char *name) { QTest::mouseClick(button(name), Qt::LeftButton); }

    // Shows the dialog and scans; true when the scan ended.
    bool showAndScan()
    {
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            return false;
        click("Button1");
        return QTest::qWaitFor([this] { return button("Button1")->isEnabled(); }, 5000);
    }

    // Idle and unlinked: Scan Device and Close pressable, the caption "Upload", the device box
    // enabled, the ordinary pointer, no operation running and no link up on either side.
    bool idle() const
    {
        bool sensorLinked = false;
        for (const SensorModel *s : sensors)
            sensorLinked = sensorLinked || s->linked();
        return form->Button1->isEnabled() && form->Button2->text() == QLatin1String("Upload") &&
               form->Button4->isEnabled() && form->ComboBox1->isEnabled() &&
               form->cursor().shape() == Qt::ArrowCursor && !form->session().operating() &&
               !form->session().linkState() && !ble.linkUp() && !ble.connecting() && !sensorLinked;
    }

    // Waits until Cancel can be pressed in the running upload.
    bool cancelLive()
    {
        return QTest::qWaitFor([this] { return form->Button2->isEnabled(); }, 5000) &&
               form->Button2->text() == QLatin1String("Cancel");
    }
};
