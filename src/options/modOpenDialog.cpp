#include "options/modOpenDialog.h"

#include "core/modDialogs.h"

#include <QFileDialog>

namespace modOpenDialog {

QString OpenFileDialog(QWidget *owner, const QString &description, const QStringList &patterns,
                       const QString &initialFolder, const QString &title)
{
    QFileDialog dialog(owner, title, initialFolder,
                       description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                           QLatin1Char(')'));
    dialog.setObjectName(QStringLiteral("OpenFileDialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (modDialogs::ExecDialog(dialog) != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

} // namespace modOpenDialog
