#include "editor/modColorDialog.h"

#include "core/modDialogs.h"

#include <QColorDialog>
#include <QLabel>
#include <QVariant>
#include <array>

namespace modColorDialog {
namespace {

constexpr int kCustomColorCount = 16;

// Custom colours of this run. Qt keeps its own copy in its settings; ours wins
// so that every run starts near white.
std::array<QColor, kCustomColorCount> &CustomColors()
{
    static std::array<QColor, kCustomColorCount> colors = [] {
        std::array<QColor, kCustomColorCount> nearWhite;
        nearWhite.fill(QColor(254, 254, 254));
        return nearWhite;
    }();
    return colors;
}

void CenterDialogOnOwner(QColorDialog &dialog, const QWidget *owner)
{
    if (!owner)
        return;
    dialog.adjustSize();
    const QRect frame = owner->frameGeometry();
    const QPoint center = frame.topLeft() + QPoint(frame.width() / 2, frame.height() / 2);
    dialog.move(center - QPoint(dialog.width() / 2, dialog.height() / 2));
}

const char *const kSwatchColorProperty = "swatchColor";

} // namespace

ColorChoice RunColorDialog(QWidget *owner, const QColor &initial)
{
    for (int i = 0; i < kCustomColorCount; ++i)
        QColorDialog::setCustomColor(i, CustomColors()[i]);
    QColorDialog dialog(initial, owner);
    dialog.setObjectName(QStringLiteral("ColorDialog"));
    CenterDialogOnOwner(dialog, owner);
    const int result = modDialogs::ExecDialog(dialog);
    for (int i = 0; i < kCustomColorCount; ++i)
        CustomColors()[i] = QColorDialog::customColor(i);
    if (result != QDialog::Accepted)
        return {};
    const QColor chosen = dialog.selectedColor().isValid() ? dialog.selectedColor() : dialog.currentColor();
    return {chosen, false};
}

QString ShowColorDialog(QLabel *swatch, QWidget *owner)
{
    const ColorChoice choice = RunColorDialog(owner, SwatchColor(swatch));
    if (choice.cancelled)
        return QString();
    SetSwatchColor(swatch, choice.color);
    return QStringLiteral("ColorChanged");
}

QColor SwatchColor(const QLabel *swatch)
{
    return swatch->property(kSwatchColorProperty).value<QColor>();
}

void SetSwatchColor(QLabel *swatch, const QColor &color)
{
    swatch->setProperty(kSwatchColorProperty, color);
    swatch->setStyleSheet(QStringLiteral("QLabel { background-color: %1; border: 1px solid #808080; }")
                              .arg(color.name()));
}

} // namespace modColorDialog
