// Prompts answered from a script: file names and Yes/No answers are taken from queues, and
// every message shown is recorded in order.
#pragma once

#include "prompts.h"

#include <QList>
#include <QStringList>
#include <functional>

class ScriptedPrompts : public Prompts
{
public:
    enum class Kind {
        Notice,
        Error,
        Caution,
        PlatformError,
        OpenDialog,
        SaveDialog,
        Printer,
        Beep
    };
    struct Shown
    {
        Kind kind;
        QString text; // message text, or the filter of a file dialog
    };

    QStringList openAnswers;    // next file chosen in an open dialog ("" = cancel)
    QStringList saveAnswers;    // next file chosen in a save dialog ("" = cancel)
    QList<bool> cautionAnswers; // next Yes (true) / No; No when the queue is empty
    // The operator's work in the printer set-up dialog: changes settings, true for OK. Without
    // it the dialog is cancelled.
    std::function<bool(PrintSettings &)> printerChoice;
    QList<Shown> shown;
    QList<FileDialogSpec> dialogs; // every file dialog asked for, in order
    // Called after every message is recorded (tools print it at once).
    std::function<void(const Shown &)> onShown;

    void notice(const QString &text) override { record(Kind::Notice, text); }
    void error(const QString &text) override { record(Kind::Error, text); }
    bool caution(const QString &text) override
    {
        record(Kind::Caution, text);
        return cautionAnswers.isEmpty() ? false : cautionAnswers.takeFirst();
    }
    void platformError(const QString &text) override { record(Kind::PlatformError, text); }
    QString openFileName(const FileDialogSpec &dialogSpec) override
    {
        dialogs.append(dialogSpec);
        record(Kind::OpenDialog, dialogSpec.filterName);
        return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
    }
    QString saveFileName(const FileDialogSpec &dialogSpec) override
    {
        dialogs.append(dialogSpec);
        record(Kind::SaveDialog, dialogSpec.filterName);
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }
    bool printerSetup(PrintSettings &settings, const PrintQueues &) override
    {
        record(Kind::Printer, QString());
        return printerChoice ? printerChoice(settings) : false;
    }
    void beep() override { record(Kind::Beep, QString()); }
    void setBusy(bool on) override { busy = on; }
    bool busy = false;

    // The texts of the message boxes shown (notices, errors, cautions, platform errors).
    QStringList messages() const
    {
        QStringList out;
        for (const Shown &s : shown) {
            if (s.kind == Kind::Notice || s.kind == Kind::Error || s.kind == Kind::Caution ||
                s.kind == Kind::PlatformError)
                out.append(s.text);
        }
        return out;
    }

private:
    void record(Kind kind, const QString &text)
    {
        shown.append({kind, text});
        if (onShown)
            onShown(shown.back());
    }
};
