// A window side without widgets: records what the store would show, for tools and tests.
#pragma once

#include "store.h"

#include <QLocale>

class HeadlessWindow : public StoreWindow
{
public:
    int averaging = 0;
    QString infoLabels[SLOT_COUNT];
    QString statusText;
    bool dispSelectVisible = false;
    bool chVisible[SLOT_COUNT] = {};
    bool chChecked[SLOT_COUNT] = {};
    bool interlock = false;

    int averagingIndex() const override { return averaging; }
    void setInfoLabel(int w, const QString &text) override { infoLabels[w] = text; }
    void resetScrollBar(int) override {}
    void setStatusText(const QString &text) override { statusText = text; }
    void setDispSelectVisible(bool v) override { dispSelectVisible = v; }
    void setCHCheckBoxVisible(int w, bool v) override { chVisible[w] = v; }
    void checkCHCheckBox(int w) override { chChecked[w] = true; }
    void uncheckInterlock() override { interlock = false; }
};
