#include "core/modDialogs.h"


#include <QDialog>
#include <QFile>

namespace modDialogs {
namespace {

// Whole-program tests cannot click a dialog: with ZETTLOR_DIALOG_LOG set, each
// dialog is recorded in that file instead and gets its safest answer.
int RecordInsteadOfShowing(QDialog &dialog, const QString &logPath)
{
    QString line = dialog.windowTitle();
    int answer = QDialog::Rejected;
    if (auto *box = qobject_cast<QMessageBox *>(&dialog)) {
        line += QLatin1Char('|') + box->text();
        const QMessageBox::StandardButtons buttons = box->standardButtons();
        answer = buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel
                 : buttons.testFlag(QMessageBox::No)   ? QMessageBox::No
                                                       : QMessageBox::Ok;
    }
    // One dialog per line: line breaks inside the text are written as \r and \n.
    line.replace(QLatin1Char('\r'), QLatin1String("\\r")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
    QFile log(logPath);
    if (log.open(QIODevice::Append))
        log.write(line.toUtf8() + '\n');
    return answer;
}

int RunForReal(QDialog &dialog)
{
    const QString logPath = qEnvironmentVariable("ZETTLOR_DIALOG_LOG");
    if (!logPath.isEmpty())
        return RecordInsteadOfShowing(dialog, logPath);
    return dialog.exec();
}

DialogRunner &CurrentRunner()
{
    static DialogRunner runner = RunForReal;
    return runner;
}

} // namespace

int ExecDialog(QDialog &dialog)
{
    return CurrentRunner()(dialog);
}

void SetDialogRunner(DialogRunner runner)
{
    CurrentRunner() = runner ? std::move(runner) : DialogRunner(RunForReal);
}

QMessageBox::StandardButton ShowMessage(const QString &text, QMessageBox::StandardButtons buttons,
                                        QMessageBox::Icon icon, const QString &title)
{
    QMessageBox box(icon, title, text, buttons);
    return QMessageBox::StandardButton(ExecDialog(box));
}

} // namespace modDialogs
