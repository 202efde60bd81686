// What the main window keeps in the settings file: its place (section Form) and its view
// controls (section Settings), with the lists' items and the keys' defaults.
#pragma once

#include <QStringList>

class IniFile;

// Items of the three pick lists of the top strip; the stored values are their indexes.
QStringList aveItems();    // Moving avg.
QStringList ampItems();    // Scaling
QStringList sensorItems(); // Disp. Sensor

// Outer frame of the main window in screen pixels; -1 = not stored.
struct FormPlace
{
    int top = -1;
    int left = -1;
    int width = -1;
    int height = -1;
    // False when any value is negative: the window is then centred with its current size.
    bool usable() const { return top >= 0 && left >= 0 && width >= 0 && height >= 0; }
};

struct ViewSettings
{
    int amp = 1;
    int ave = 0;
    int sensor = 0;
    bool check[4] = {false, false, true, true}; // OXHb, DXHb, TOHb, StO2 shown
};

FormPlace readFormPlace(const IniFile &ini);
// An index outside its list takes the key's default.
ViewSettings readViewSettings(const IniFile &ini);
// Write the keys in their order; each stops at the first key the file refuses (the error has
// been shown) and returns false.
bool writeFormPlace(IniFile &ini, const FormPlace &place);
bool writeViewSettings(IniFile &ini, const ViewSettings &settings);
