// Message boxes and dialogs of the viewer.
#include "qtprompts.h"

#include "printsetupdialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {

// The application's title: the executable's name, as the notices and platform errors show it.
QString applicationTitle()
{
    return QCoreApplication::applicationName();
}

int messageBox(QWidget *parent, const QString &caption, const QString &text, QMessageBox::Icon icon,
               QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, caption, text, buttons, parent);
    return box.exec();
}

} // namespace

QWidget *QtPrompts::owner() const
{
    QWidget *active = QApplication::activeModalWidget();
    if (!active)
        active = QApplication::activeWindow();
    return active ? active : m_parent;
}

void QtPrompts::notice(const QString &text)
{
    messageBox(owner(), applicationTitle(), text, QMessageBox::NoIcon, QMessageBox::Ok);
}

void QtPrompts::error(const QString &text)
{
    beep();
    messageBox(owner(), QStringLiteral("ERROR"), text, QMessageBox::NoIcon, QMessageBox::Ok);
}

bool QtPrompts::caution(const QString &text)
{
    beep();
    return messageBox(owner(), QStringLiteral("CAUTION"), text, QMessageBox::NoIcon,
                      QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void QtPrompts::platformError(const QString &text)
{
    messageBox(owner(), applicationTitle(), text, QMessageBox::Critical, QMessageBox::Ok);
}

QString QtPrompts::fileDialog(const FileDialogSpec &dialogSpec, bool save)
{
    QFileDialog dialog(owner(), dialogSpec.title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!dialogSpec.filterPattern.isEmpty())
        dialog.setNameFilter(
            QStringLiteral("%1 (%2)").arg(dialogSpec.filterName, dialogSpec.filterPattern));
    dialog.setDefaultSuffix(dialogSpec.defaultExtension);
    if (!dialogSpec.fileName.isEmpty())
        dialog.selectFile(dialogSpec.fileName);
    // Overwriting is asked by the program itself, with its own caution box.
    if (save)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString QtPrompts::openFileName(const FileDialogSpec &dialogSpec)
{
    return fileDialog(dialogSpec, false);
}

QString QtPrompts::saveFileName(const FileDialogSpec &dialogSpec)
{
    return fileDialog(dialogSpec, true);
}

bool QtPrompts::printerSetup(PrintSettings &settings, const PrintQueues &queues)
{
    PrintSetupDialog dialog(settings, queues, owner());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.applyTo(settings);
    return true;
}

void QtPrompts::beep()
{
    QApplication::beep();
}

void QtPrompts::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QCoreApplication::processEvents();
    } else {
        QApplication::restoreOverrideCursor();
    }
}
