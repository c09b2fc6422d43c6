#include "app/ui/DialogTemplates.h"

#include <vector>

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

int FittingBaseUnitX(const DialogTemplate& dialog, int baseUnitX, int baseUnitY,
                     const std::function<int(const ControlTemplate&)>& neededWidth) {
    std::vector<int> needed;
    needed.reserve(dialog.controls.size());
    for (const ControlTemplate& control : dialog.controls) {
        const bool oneLine =
            control.kind != ControlKind::Label ||
            MapDialogUnits(0, 0, 0, control.cy, baseUnitX, baseUnitY).cy < 2 * baseUnitY;
        needed.push_back(oneLine ? neededWidth(control) : 0);
    }
    const auto fits = [&](int baseX) {
        for (size_t at = 0; at < needed.size(); ++at) {
            if (needed[at] > MapDialogUnits(0, 0, dialog.controls[at].cx, 0, baseX, baseUnitY).cx) {
                return false;
            }
        }
        return true;
    };
    const int widest = baseUnitX + baseUnitX / 2;
    int baseX = baseUnitX;
    while (baseX < widest && !fits(baseX)) {
        ++baseX;
    }
    return baseX;
}

}  // namespace corvane
