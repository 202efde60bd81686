// From a sensor description to the sensor model (see sensorsetup.h).
#include "sensorsetup.h"

bool loadRecording(const SensorSpec &spec, SensorRecording *recording, QString *error)
{
    if (spec.file.isEmpty()) {
        *recording = generateRecording(spec.samples, spec.rateCode, true);
        return true;
    }
    *error = QStringLiteral("measurement files are not supported yet");
    return false;
}

SensorModel buildModel(const SensorSpec &spec, const SensorRecording &recording)
{
    SensorModel model(spec.serial);
    if (!spec.name.isEmpty())
        model.setName(spec.name);
    model.paired = spec.paired;
    model.connectable = !spec.refuse;
    model.offersService = spec.offersService;
    model.hasWriteCharacteristic = spec.hasWrite;
    model.hasNotifyCharacteristic = spec.hasNotify;
    model.notificationSize = spec.chunk;
    model.loseLinkAfterPacket = spec.loseAfter;
    model.neverCompleteWrite = spec.mute;
    if (spec.garbage)
        model.garbage = simGarbage();
    model.escapeEverything = spec.escapeAll;
    model.setRecording(recording);
    return model;
}
