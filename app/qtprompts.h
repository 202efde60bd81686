// The prompts seam on real widgets: message boxes, file and printer dialogs, the beep and
// the busy cursor of the running viewer.
#pragma once

#include "prompts.h"

class QWidget;

class QtPrompts : public Prompts
{
public:
    // Dialogs are modal over the active window, or over parent when none is active.
    explicit QtPrompts(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParentWidget(QWidget *parent) { m_parent = parent; }

    void notice(const QString &text) override;
    void error(const QString &text) override;
    bool caution(const QString &text) override;
    void platformError(const QString &text) override;
    QString openFileName(const FileDialogSpec &dialogSpec) override;
    QString saveFileName(const FileDialogSpec &dialogSpec) override;
    bool printerSetup(PrintSettings &settings, const PrintQueues &queues) override;
    void beep() override;
    void setBusy(bool busy) override;

private:
    QWidget *owner() const;
    QString fileDialog(const FileDialogSpec &dialogSpec, bool save);

    QWidget *m_parent;
    bool m_busy = false;
};
