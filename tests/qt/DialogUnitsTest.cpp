// Dialog units on Qt: the base units from the dialog font, and no template
// text (nor a text the program sets at run time) clipped by its control.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>

#include "app/ui/ControlIds.h"
#include "app/ui/qt/DialogUnits.h"
#include "tests/qt/QtTestApp.h"

namespace corvane::test {
namespace {

class DialogUnitsQt : public ::testing::Test {
protected:
    QApplication& app = TestApp();
};

TEST_F(DialogUnitsQt, BaseUnitsAreTheAverageLetterWidthAndTheFontHeight) {
    const QFont font = qt::DialogFont(MainWindowTemplate());
    EXPECT_EQ(font.pointSize(), 8);
    const QFontMetrics metrics(font);
    const int width =
        metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const qt::BaseUnits units = qt::DialogBaseUnits(font);
    EXPECT_EQ(units.y, metrics.height());
    // The average, never rounded down.
    EXPECT_GE(units.x * 52, width);
    EXPECT_LT((units.x - 1) * 52, width);
    // A control maps each value on its own: x * baseX / 4, y * baseY / 8.
    const ControlTemplate control{1, ControlKind::Label, "", 8, 16, 40, 8};
    const QRect rect = qt::MapControl(control, units);
    EXPECT_EQ(rect, QRect((8 * units.x + 2) / 4, (16 * units.y + 4) / 8, (40 * units.x + 2) / 4,
                          (8 * units.y + 4) / 8));
}

TEST_F(DialogUnitsQt, WindowsWidenTheirUnitsOnlyAsFarAsTheirTextsNeed) {
    const QFont font = qt::DialogFont(MainWindowTemplate());
    const qt::BaseUnits plain = qt::DialogBaseUnits(font);
    QStyle& style = *QApplication::style();

    const ControlTemplate roomy[] = {{1, ControlKind::Button, "OK", 0, 0, 50, 14}};
    const DialogTemplate fits{1, "", 60, 20, "", 8, 0, roomy};
    EXPECT_EQ(qt::FittingBaseUnits(fits, font, style).x, plain.x);

    const ControlTemplate tight[] = {{1, ControlKind::Button, "Program IDs", 0, 0, 36, 14}};
    const DialogTemplate narrow{1, "", 60, 20, "", 8, 0, tight};
    const qt::BaseUnits widened = qt::FittingBaseUnits(narrow, font, style);
    EXPECT_GT(widened.x, plain.x);
    EXPECT_EQ(widened.y, plain.y);
    const int needed = qt::NeededTextWidth(ControlKind::Button, "Program IDs", font, style);
    EXPECT_GE((36 * widened.x + 2) / 4, needed);
    EXPECT_LT((36 * (widened.x - 1) + 2) / 4, needed);  // not a pixel wider than needed

    // A text that cannot fit stops the widening at half as wide again.
    const ControlTemplate hopeless[] = {
        {1, ControlKind::Label, "A text far too long for four units", 0, 0, 4, 8}};
    const DialogTemplate cramped{1, "", 60, 20, "", 8, 0, hopeless};
    EXPECT_EQ(qt::FittingBaseUnits(cramped, font, style).x, plain.x + plain.x / 2);
}

// The width a control needs for its text in the current style.
int NeededWidth(const QWidget* widget, const QString& text, bool& isText) {
    const QFontMetrics metrics(widget->font());
    const int textWidth = metrics.horizontalAdvance(text);
    QStyle* style = widget->style();
    isText = true;
    if (qobject_cast<const QCheckBox*>(widget) != nullptr) {
        return style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widget) +
               style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, widget) + textWidth;
    }
    if (qobject_cast<const QPushButton*>(widget) != nullptr) {
        return textWidth + style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, widget) +
               2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, widget);
    }
    if (qobject_cast<const QGroupBox*>(widget) != nullptr) {
        return textWidth + 2 * metrics.averageCharWidth();
    }
    return textWidth;
}

void ExpectFits(const QWidget* widget, const QString& text, const std::string& where) {
    if (text.isEmpty()) {
        return;
    }
    bool isText = false;
    const int needed = NeededWidth(widget, text, isText);
    const auto* label = qobject_cast<const QLabel*>(widget);
    if (label != nullptr && label->wordWrap()) {
        const QRect bounds =
            QFontMetrics(widget->font())
                .boundingRect(QRect(0, 0, widget->width(), 10000), Qt::TextWordWrap, text);
        EXPECT_LE(bounds.height(), widget->height()) << where << ": \"" << text.toStdString();
        return;
    }
    EXPECT_LE(needed, widget->width()) << where << ": \"" << text.toStdString() << "\"";
    EXPECT_LE(QFontMetrics(widget->font()).height(), widget->height())
        << where << ": \"" << text.toStdString() << "\"";
}

TEST_F(DialogUnitsQt, NoTemplateTextIsClipped) {
    RecordingHandler handler;
    for (const DialogTemplate* dialog : AllDialogTemplates()) {
        qt::QtDialogWindow window(*dialog, handler, nullptr, nullptr);
        const std::string name = std::to_string(dialog->templateId);
        int checked = 0;
        for (const QWidget* widget : window.findChildren<QWidget*>()) {
            QString text;
            if (auto* label = qobject_cast<const QLabel*>(widget)) {
                text = label->text();
            } else if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
                text = button->text();
            } else if (auto* group = qobject_cast<const QGroupBox*>(widget)) {
                text = group->title();
            } else {
                continue;
            }
            ExpectFits(widget, text, name);
            checked += text.isEmpty() ? 0 : 1;
        }
        EXPECT_GT(checked, 0) << name;
        // Every control lies inside its window.
        for (const QWidget* widget : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            EXPECT_TRUE(QRect(QPoint(0, 0), window.size()).contains(widget->geometry()))
                << name << " " << widget->metaObject()->className();
        }
    }
}

TEST_F(DialogUnitsQt, RunTimeTextsFitTheirLabels) {
    RecordingHandler handler;
    qt::QtDialogWindow main(MainWindowTemplate(), handler, nullptr, nullptr);
    const std::pair<int, const char*> texts[] = {
        {MainWindowIds::kStatus, "Waiting for new connection..."},
        {MainWindowIds::kPlatformId, "WWWWWWWWWW"},      // ten characters at most
        {MainWindowIds::kPartNumber, "00000000000000"},  // fourteen digits
        {MainWindowIds::kSerialNumber, "000000000000"},
    };
    for (const auto& [id, text] : texts) {
        ExpectFits(main.ControlWidget(id), QString::fromLatin1(text), std::to_string(id));
    }
    qt::QtDialogWindow about(AboutDialogTemplate(), handler, nullptr, nullptr);
    ExpectFits(about.ControlWidget(AboutDialogIds::kVersion), "1.6", "about");
}

}  // namespace
}  // namespace corvane::test
