// A list box that asks, each time it paints, whether it is drawn on the light
// grey list brush (RGB 192, 192, 192); its items have no background of their
// own, so the text shows on the list's colour.
#pragma once

#include <QColor>
#include <QListWidget>
#include <functional>

namespace corvane::qt {

inline const QColor kListBrushColour(192, 192, 192);

class QtListBox : public QListWidget {
    Q_OBJECT

public:
    QtListBox(QWidget* parent, std::function<bool()> usesListBrush);

    // The colour the next paint fills the list with.
    QColor Background() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<bool()> usesListBrush_;
};

}  // namespace corvane::qt
