#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Choosing one existing file, through the modal seam of modDialogs.
namespace modOpenDialog {

// Offers the files matching patterns ("*.wav", any case) under description.
// Returns the chosen file with its folder, or "" when the user cancelled.
QString OpenFileDialog(QWidget *owner, const QString &description, const QStringList &patterns,
                       const QString &initialFolder, const QString &title);

} // namespace modOpenDialog
