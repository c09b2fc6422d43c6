#include "app/ui/qt/DialogUnits.h"

#include <QFontMetrics>

namespace corvane::qt {

namespace {

constexpr const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

}  // namespace

QFont DialogFont(const DialogTemplate& dialog) {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(dialog.pointSize > 0 ? dialog.pointSize : 8);
    return font;
}

BaseUnits DialogBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(QString::fromLatin1(kAlphabet));
    BaseUnits units;
    // Windows rounds width / 52 to the nearest pixel; rounding up instead
    // keeps every template text inside its control with Linux fonts, whose
    // widest glyphs run further past the average than the original font's.
    units.x = (width + 51) / 52;
    units.y = metrics.height();
    return units;
}

int NeededTextWidth(ControlKind kind, const QString& text, const QFont& font, const QStyle& style) {
    if (text.isEmpty()) {
        return 0;
    }
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(text);
    switch (kind) {
        case ControlKind::Button:
        case ControlKind::DefaultButton:
            return width + style.pixelMetric(QStyle::PM_ButtonMargin) +
                   2 * style.pixelMetric(QStyle::PM_DefaultFrameWidth);
        case ControlKind::CheckBox:
            return width + style.pixelMetric(QStyle::PM_IndicatorWidth) +
                   style.pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
        case ControlKind::GroupBox:
            return width + 2 * metrics.averageCharWidth();
        default:
            return width;
    }
}

BaseUnits FittingBaseUnits(const DialogTemplate& dialog, const QFont& font, const QStyle& style) {
    BaseUnits units = DialogBaseUnits(font);
    units.x = FittingBaseUnitX(dialog, units.x, units.y, [&](const ControlTemplate& control) {
        return NeededTextWidth(control.kind,
                               QString::fromUtf8(control.text != nullptr ? control.text : ""), font,
                               style);
    });
    return units;
}

QRect MapControl(const ControlTemplate& control, BaseUnits units) {
    const PixelRect rect =
        MapDialogUnits(control.x, control.y, control.cx, control.cy, units.x, units.y);
    return QRect(rect.x, rect.y, rect.cx, rect.cy);
}

QSize MapDialogSize(const DialogTemplate& dialog, BaseUnits units) {
    const PixelRect rect = MapDialogUnits(0, 0, dialog.cx, dialog.cy, units.x, units.y);
    return QSize(rect.cx, rect.cy);
}

}  // namespace corvane::qt
