// From a sensor description to the sensor model (see sensorsetup.h).
#include "sensorsetup.h"

bool loadRecording(const SensorSpec &sensorSpec, SensorRecording *recording, QString *error)
{
    if (sensorSpec.file.isEmpty()) {
        *recording = generateRecording(sensorSpec.samples, sensorSpec.rateCode, true);
        return true;
    }
    *error = QStringLiteral("measurement files are not supported yet");
    return false;
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
