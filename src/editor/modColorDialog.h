#pragma once

#include <QColor>
#include <QString>

class QLabel;
class QWidget;

// The colour dialog behind the editor's swatches. Its 16 custom colours start
// near white and are kept while the program runs.
namespace modColorDialog {

struct ColorChoice
{
    QColor color;
    bool cancelled = true;
};

// Opens the dialog for the swatch's background colour; on confirmation the
// swatch takes the chosen colour and the result is "ColorChanged", else "".
QString ShowColorDialog(QLabel *swatch, QWidget *owner);
// Shows the dialog centred over owner with initial preselected.
ColorChoice RunColorDialog(QWidget *owner, const QColor &initial);

// The swatch's background colour, as set by SetSwatchColor.
QColor SwatchColor(const QLabel *swatch);
void SetSwatchColor(QLabel *swatch, const QColor &color);

} // namespace modColorDialog
