#include "app/ui/qt/QtListBox.h"

#include <QPaintEvent>
#include <QPainter>

namespace corvane::qt {

QtListBox::QtListBox(QWidget* parent, std::function<bool()> usesListBrush)
    : QListWidget(parent), usesListBrush_(std::move(usesListBrush)) {
    // The background is filled in paintEvent, where the handler is asked.
    viewport()->setAutoFillBackground(false);
}

QColor QtListBox::Background() const {
    if (usesListBrush_ && usesListBrush_()) {
        return kListBrushColour;
    }
    return palette().color(QPalette::Base);
}

void QtListBox::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(viewport());
        painter.fillRect(event->rect(), Background());
    }
    QListWidget::paintEvent(event);
}

}  // namespace corvane::qt
