// The one seam for everything that asks or tells the operator: message boxes, the beep, file
// and printer dialogs. The viewer shows real dialogs (app/); tools and tests script answers
// and record what was shown (ScriptedPrompts).
#pragma once

#include <QString>

struct PrintSettings;
class PrintQueues;

struct FileDialogSpec
{
    QString title;            // empty: the system's default title
    QString filterName;       // e.g. "CSVファイル"
    QString filterPattern;    // e.g. "*.csv"
    QString defaultExtension; // without the dot, e.g. "csv"
    QString fileName;         // proposed name, empty for none
};

class Prompts
{
public:
    virtual ~Prompts() = default;
    // Plain notice: OK button, the application's title as caption.
    virtual void notice(const QString &text) = 0;
    // Default beep, then a box captioned "ERROR" without icon, OK button.
    virtual void error(const QString &text) = 0;
    // Default beep, then a box captioned "CAUTION" without icon, Yes and No; true for Yes.
    virtual bool caution(const QString &text) = 0;
    // An error raised inside a platform layer (settings file, printing), in the toolkit's
    // general error box.
    virtual void platformError(const QString &text) = 0;
    // File dialogs: the chosen full path, or an empty string when cancelled.
    virtual QString openFileName(const FileDialogSpec &dialogSpec) = 0;
    virtual QString saveFileName(const FileDialogSpec &dialogSpec) = 0;
    // The printer set-up dialog on settings, offering the printers of queues and a PDF file;
    // true when accepted (settings then hold the choice), false and settings unchanged when
    // cancelled.
    virtual bool printerSetup(PrintSettings &settings, const PrintQueues &queues) = 0;
    virtual void beep() = 0;
    // Busy (hourglass) cursor on or off; switching it on lets pending events run once so
    // that the cursor is drawn.
    virtual void setBusy(bool busy) = 0;
};
