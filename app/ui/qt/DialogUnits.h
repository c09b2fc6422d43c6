// Dialog units to pixels for the Qt windows, the way Windows converts a
// dialog template: the horizontal base unit is the average width of "A".."Z"
// and "a".."z" in the dialog font, the vertical one the font's height.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

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

QRect MapControl(const ControlTemplate& control, BaseUnits units);
QSize MapDialogSize(const DialogTemplate& dialog, BaseUnits units);

}  // namespace corvane::qt
