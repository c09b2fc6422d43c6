#include "app/ui/DialogTemplates.h"

namespace corvane {

namespace {

// MulDiv for the small non-negative values of a template: rounds to nearest.
int ScaleRounded(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : -((-product + half) / denominator));
}

}  // namespace

const DialogTemplate* FindDialogTemplate(int templateId) {
    for (const DialogTemplate* dialog : AllDialogTemplates()) {
        if (dialog->templateId == templateId) {
            return dialog;
        }
    }
    return nullptr;
}

const ControlTemplate* FindControl(const DialogTemplate& dialog, int id) {
    if (id == kIdStatic) {
        return nullptr;
    }
    for (const ControlTemplate& control : dialog.controls) {
        if (control.id == id) {
            return &control;
        }
    }
    return nullptr;
}

PixelRect MapDialogUnits(int x, int y, int cx, int cy, int baseUnitX, int baseUnitY) {
    return {ScaleRounded(x, baseUnitX, 4), ScaleRounded(y, baseUnitY, 8),
            ScaleRounded(cx, baseUnitX, 4), ScaleRounded(cy, baseUnitY, 8)};
}

}  // namespace corvane
