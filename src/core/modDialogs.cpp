#include "core/modDialogs.h"

#include <QDialog>
#include <QFile>

#include <algorithm>

namespace modDialogs {
namespace {

// Dialogs whose exec() runs now, innermost last.
QList<QDialog *> openDialogs;
// Set once the program ends: no dialog is shown any more.
bool answeringSafely = false;

// The answer that changes nothing: Cancel, else No, else OK; a dialog that is
// no message box is rejected.
int SafestAnswer(QDialog &dialog)
{
    const auto *box = qobject_cast<QMessageBox *>(&dialog);
    if (!box)
        return QDialog::Rejected;
    const QMessageBox::StandardButtons buttons = box->standardButtons();
    return buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel
           : buttons.testFlag(QMessageBox::No)   ? QMessageBox::No
                                                 : QMessageBox::Ok;
}

// ZETTLOR_DIALOG_ANSWER=yes lets whole-program tests take the path behind a
// question's Yes; once the program ends, the safest answer holds as ever.
int RecordedAnswer(QDialog &dialog)
{
    const auto *box = qobject_cast<QMessageBox *>(&dialog);
    if (box && !answeringSafely && box->standardButtons().testFlag(QMessageBox::Yes) &&
        qEnvironmentVariable("ZETTLOR_DIALOG_ANSWER") == QLatin1String("yes"))
        return QMessageBox::Yes;
    return SafestAnswer(dialog);
}

// Whole-program tests cannot click a dialog: with ZETTLOR_DIALOG_LOG set, each
// dialog is recorded in that file instead and answered without being shown.
int RecordInsteadOfShowing(QDialog &dialog, const QString &logPath)
{
    QString line = dialog.windowTitle();
    if (auto *box = qobject_cast<QMessageBox *>(&dialog))
        line += QLatin1Char('|') + box->text();
    // One dialog per line: line breaks inside the text are written as \r and \n.
    line.replace(QLatin1Char('\r'), QLatin1String("\\r")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
    QFile log(logPath);
    if (log.open(QIODevice::Append))
        log.write(line.toUtf8() + '\n');
    return RecordedAnswer(dialog);
}

int RunForReal(QDialog &dialog)
{
    const QString logPath = qEnvironmentVariable("ZETTLOR_DIALOG_LOG");
    if (!logPath.isEmpty())
        return RecordInsteadOfShowing(dialog, logPath);
    if (answeringSafely)
        return SafestAnswer(dialog);
    openDialogs.append(&dialog);
    const int answer = dialog.exec();
    openDialogs.removeOne(&dialog);
    return answer;
}

DialogRunner &CurrentRunner()
{
    static DialogRunner runner = RunForReal;
    return runner;
}

} // namespace

int ExecDialog(QDialog &dialog)
{
    // Notes kept above all windows must not hide a question about them, nor
    // the print or colour dialog of the note they cover.
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    return CurrentRunner()(dialog);
}

void SetDialogRunner(DialogRunner runner)
{
    CurrentRunner() = runner ? std::move(runner) : DialogRunner(RunForReal);
}

QMessageBox::StandardButton ShowMessage(const QString &text, QMessageBox::StandardButtons buttons,
                                        QMessageBox::Icon icon, const QString &title,
                                        QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, title, text, buttons);
    box.setDefaultButton(defaultButton);
    // Names and addresses from other hosts and users are shown as written,
    // never read as markup (which loads any file an <img> names).
    box.setTextFormat(Qt::PlainText);
    return QMessageBox::StandardButton(ExecDialog(box));
}

void ShowWarning(const QString &text)
{
    ShowMessage(text, QMessageBox::Ok, QMessageBox::Warning);
}

void AnswerAllSafely()
{
    answeringSafely = true;
    for (QDialog *dialog : std::as_const(openDialogs))
        dialog->done(SafestAnswer(*dialog));
}

} // namespace modDialogs
