#pragma once

#include <QMessageBox>
#include <functional>

class QDialog;
class QWidget;

// Every modal dialog (message boxes, colour, file and print dialogs) runs
// through ExecDialog, so tests can answer them without blocking.
namespace modDialogs {

// Runs a prepared dialog, above notes kept on top, and returns its result
// (QDialog::exec's value; for a QMessageBox the chosen StandardButton).
using DialogRunner = std::function<int(QDialog &dialog)>;

int ExecDialog(QDialog &dialog);
// Tests install a runner that inspects the dialog and answers; an empty runner
// restores the real one.
void SetDialogRunner(DialogRunner runner);

// A message box titled "Zettlor" (or title) with the given buttons and icon;
// Enter takes defaultButton, or the box's own choice.
QMessageBox::StandardButton ShowMessage(const QString &text, QMessageBox::StandardButtons buttons,
                                        QMessageBox::Icon icon,
                                        const QString &title = QStringLiteral("Zettlor"),
                                        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// A warning with an OK button, titled "Zettlor".
void ShowWarning(const QString &text);

// The program is ending: every open dialog closes with its safest answer
// (Cancel, No, OK; rejected) so that its caller does nothing, and later
// dialogs get that answer without being shown.
void AnswerAllSafely();

} // namespace modDialogs
