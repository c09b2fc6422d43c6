// One Qt widget per template control: the kind picks the widget, the flags
// its behaviour (password characters, sorted or unselectable lists, hidden at
// start, no word wrap). Signals are connected by the window.
#pragma once

#include <QWidget>
#include <functional>

#include "app/ui/DialogTemplates.h"

namespace corvane::qt {

QWidget* MakeControlWidget(const ControlTemplate& control, QWidget* parent,
                           std::function<bool()> usesListBrush);

// A single-line label wraps only when its control is tall enough for two lines.
bool LabelWraps(const ControlTemplate& control, int lineHeight, int pixelHeight);

}  // namespace corvane::qt
