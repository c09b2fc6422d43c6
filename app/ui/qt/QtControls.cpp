#include "app/ui/qt/QtControls.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "app/ui/qt/QtArtwork.h"
#include "app/ui/qt/QtListBox.h"

namespace corvane::qt {

namespace {

QString Text(const ControlTemplate& control) {
    return QString::fromUtf8(control.text != nullptr ? control.text : "");
}

QWidget* MakeLabel(const ControlTemplate& control, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);  // file names may hold '<'
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setText(Text(control));
    return label;
}

QWidget* MakePicture(const ControlTemplate& control, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setPixmap(ResourcePixmap(control.resourceId));
    label->setScaledContents(true);
    return label;
}

QWidget* MakeButton(const ControlTemplate& control, QWidget* parent) {
    auto* button = new QPushButton(Text(control), parent);
    // The window decides what Enter presses (the default-button rule).
    button->setAutoDefault(false);
    return button;
}

QWidget* MakeEdit(const ControlTemplate& control, QWidget* parent) {
    auto* edit = new QLineEdit(Text(control), parent);
    if ((control.flags & kControlMasked) != 0) {
        edit->setEchoMode(QLineEdit::Password);
    }
    return edit;
}

QWidget* MakeList(const ControlTemplate& control, QWidget* parent,
                  std::function<bool()> usesListBrush) {
    auto* list = new QtListBox(parent, std::move(usesListBrush));
    if ((control.flags & kControlNoSelection) != 0) {
        list->setSelectionMode(QAbstractItemView::NoSelection);
    }
    list->setVerticalScrollBarPolicy(
        (control.flags & kControlVScroll) != 0 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return list;
}

QWidget* MakeProgressBar(QWidget* parent) {
    auto* bar = new QProgressBar(parent);
    bar->setRange(kProgressRangeMin, kProgressRangeMax);
    bar->setValue(kProgressRangeMin);
    bar->setTextVisible(false);
    return bar;
}

}  // namespace

bool LabelWraps(const ControlTemplate& control, int lineHeight, int pixelHeight) {
    return (control.flags & kControlNoWordWrap) == 0 && pixelHeight >= 2 * lineHeight;
}

QWidget* MakeControlWidget(const ControlTemplate& control, QWidget* parent,
                           std::function<bool()> usesListBrush) {
    switch (control.kind) {
        case ControlKind::Label:
            return MakeLabel(control, parent);
        case ControlKind::GroupBox:
            return new QGroupBox(Text(control), parent);
        case ControlKind::Edit:
            return MakeEdit(control, parent);
        case ControlKind::Button:
        case ControlKind::DefaultButton:
            return MakeButton(control, parent);
        case ControlKind::CheckBox:
            return new QCheckBox(Text(control), parent);
        case ControlKind::ListBox:
            return MakeList(control, parent, std::move(usesListBrush));
        case ControlKind::ProgressBar:
            return MakeProgressBar(parent);
        case ControlKind::Image:
        case ControlKind::Icon:
            return MakePicture(control, parent);
    }
    return new QWidget(parent);
}

}  // namespace corvane::qt
