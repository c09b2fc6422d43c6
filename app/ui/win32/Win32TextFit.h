// Windows built by the dialog manager, widened where their texts would not
// show whole in the font the system gives them.
//
// The templates were laid out in MS Sans Serif 8 point. A system without
// that face (Wine without its own fonts, a system whose font substitutes map
// it elsewhere, a raster font at a size it lacks) gets another face from the
// font mapper, and the dialog manager takes its base units from that face's
// average width of "A".."Z" and "a".."z". The average does not carry over to
// the texts: under Wine with DejaVu Sans in place of MS Sans Serif the units
// come out 7 x 13, yet "Projector Platform:" measures 107 pixels for a
// 58-unit (102-pixel) label, so the static control wraps it at the space and
// its second line falls below the label's 8 units. A window therefore widens
// its horizontal unit as far as its texts need, as the Qt windows do; with
// the original font nothing changes.
//
// Window handles are kept as void* so that this header stays free of
// <windows.h>.
#pragma once

#include "app/ui/DialogTemplates.h"

namespace corvane::win32 {

// The pixel width a control of this kind needs to show text on one line, in
// the font selected into dc (an HDC); 0 for no text.
int NeededTextWidth(void* dc, ControlKind kind, const char* text);

// Widens the dialog window's horizontal unit until every text of its
// template fits (FittingBaseUnitX): each control moves and grows to its
// template place in the wider unit (pictures keep their own size), the
// window's client area grows to the template's width; vertical units stay
// the dialog manager's. Returns the horizontal base unit in use.
int FitWindowToTexts(void* dialogWindow, const DialogTemplate& dialog);

}  // namespace corvane::win32
