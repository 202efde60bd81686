// From a sensor description to the sensor model (see sensorsetup.h).
#include "sensorsetup.h"

#include "headlesswindow.h"
#include "reader.h"
#include "scriptedprompts.h"
#include "store.h"

bool loadRecording(const SensorSpec &sensorSpec, SensorRecording *recording, QString *error)
{
    if (sensorSpec.file.isEmpty()) {
        *recording = generateRecording(sensorSpec.samples, sensorSpec.rateCode, true);
        return true;
    }
    // Read exactly as the viewer's Open command reads it, into an empty store.
    HeadlessWindow window;
    ScriptedPrompts prompts;
    prompts.openAnswers = {sensorSpec.file};
    ResetStore();
    setStoreWindow(&window);
    OpenMeasurementFile(prompts);
    setStoreWindow(nullptr);
    const QStringList messages = prompts.messages();
    const bool entered = WindowCount > 0 && messages.isEmpty();
    if (entered)
        *recording = recordingFromStore(DataInfo[WinInfo[0].DataNo], WinInfo[0].DataNo);
    else
        *error = messages.isEmpty() ? QStringLiteral("cannot be read as a measurement file")
                                    : messages.join(QLatin1Char(' '));
    ResetStore();
    return entered;
}

SensorModel buildModel(const SensorSpec &sensorSpec, const SensorRecording &recording)
{
    SensorModel model(sensorSpec.serial);
    if (!sensorSpec.name.isEmpty())
        model.setName(sensorSpec.name);
    model.paired = sensorSpec.paired;
    model.connectable = !sensorSpec.refuse;
    model.offersService = sensorSpec.offersService;
    model.hasWriteCharacteristic = sensorSpec.hasWrite;
    model.hasNotifyCharacteristic = sensorSpec.hasNotify;
    model.notificationSize = sensorSpec.chunk;
    model.loseLinkAfterPacket = sensorSpec.loseAfter;
    model.neverCompleteWrite = sensorSpec.mute;
    if (sensorSpec.garbage)
        model.garbage = simGarbage();
    model.escapeEverything = sensorSpec.escapeAll;
    model.setRecording(recording);
    return model;
}
