// Dialog units to pixels for the Qt windows, the way Windows converts a
// dialog template: the horizontal base unit is the average width of "A".."Z"
// and "a".."z" in the dialog font, the vertical one the font's height.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStyle>

#include "app/ui/DialogTemplates.h"

namespace corvane::qt {

struct BaseUnits {
    int x = 0;
    int y = 0;
};

// A sans font at the template's point size: the templates name a font that
// Linux does not have.
QFont DialogFont(const DialogTemplate& dialog);

BaseUnits DialogBaseUnits(const QFont& font);

// The base units for one window: DialogBaseUnits, widened (a pixel at a time,
// up to half as wide again) until every label, button, check box and group
// box text of the template fits its control in this font and style. Fonts
// differ between desktops; the templates stay as they are.
BaseUnits FittingBaseUnits(const DialogTemplate& dialog, const QFont& font, const QStyle& style);

// The pixel width a control of this kind needs to show text in one line.
int NeededTextWidth(ControlKind kind, const QString& text, const QFont& font, const QStyle& style);

QRect MapControl(const ControlTemplate& control, BaseUnits units);
QSize MapDialogSize(const DialogTemplate& dialog, BaseUnits units);

}  // namespace corvane::qt
