// The platform's Bluetooth LE central (QtBluetooth), for the viewer; callers need no
// QtBluetooth header.
#pragma once

class BleCentral;
class QObject;

BleCentral *createPlatformCentral(QObject *parent);
