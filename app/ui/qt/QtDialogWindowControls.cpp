// Control operations of the Qt dialog window, by template id.
#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <cstring>

#include "app/ui/qt/QtDialogWindow.h"
#include "app/ui/qt/QtListBox.h"

namespace corvane::qt {

namespace {

// The most an edit holds when no limit is set (EM_LIMITTEXT 0).
constexpr int kDefaultEditLimit = 32767;

QString ToQString(const char* text) {
    return QString::fromUtf8(text != nullptr ? text : "");
}

QString WidgetText(const QWidget* widget) {
    if (auto* label = qobject_cast<const QLabel*>(widget)) {
        return label->text();
    }
    if (auto* edit = qobject_cast<const QLineEdit*>(widget)) {
        return edit->text();
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        return button->text();
    }
    if (auto* group = qobject_cast<const QGroupBox*>(widget)) {
        return group->title();
    }
    return {};
}

}  // namespace

QtDialogWindow::Control* QtDialogWindow::Find(int id) {
    auto found = controls_.find(id);
    return found != controls_.end() ? &found->second : nullptr;
}

const QtDialogWindow::Control* QtDialogWindow::Find(int id) const {
    auto found = controls_.find(id);
    return found != controls_.end() ? &found->second : nullptr;
}

QWidget* QtDialogWindow::ControlWidget(int id) const {
    const Control* control = Find(id);
    return control != nullptr ? control->widget : nullptr;
}

void QtDialogWindow::EnableControl(int id, bool enable) {
    if (Control* control = Find(id)) {
        control->widget->setEnabled(enable);
    }
}

bool QtDialogWindow::IsControlEnabled(int id) const {
    const Control* control = Find(id);
    return control != nullptr && control->widget->isEnabled();
}

void QtDialogWindow::ShowControl(int id, bool show) {
    if (Control* control = Find(id)) {
        control->widget->setVisible(show);
    }
}

bool QtDialogWindow::IsControlVisible(int id) const {
    const Control* control = Find(id);
    return control != nullptr && !control->widget->isHidden();
}

void QtDialogWindow::FocusControl(int id) {
    if (Control* control = Find(id)) {
        control->widget->setFocus(Qt::OtherFocusReason);
    }
}

void QtDialogWindow::SetControlText(int id, const char* text) {
    Control* control = Find(id);
    if (control == nullptr) {
        return;
    }
    const QString value = ToQString(text);
    QWidget* widget = control->widget;
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(value);
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        // Setting a text is not bound by the typing limit.
        const int limit = control->limit > 0 ? control->limit : kDefaultEditLimit;
        edit->setMaxLength(std::max<int>(limit, static_cast<int>(value.size())));
        edit->setText(value);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(value);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(value);
    }
}

int QtDialogWindow::GetControlText(int id, char* buffer, int size) const {
    if (buffer == nullptr || size <= 0) {
        return 0;
    }
    const Control* control = Find(id);
    const QByteArray text =
        control != nullptr ? WidgetText(control->widget).toUtf8() : QByteArray();
    int count = std::min(static_cast<int>(text.size()), size - 1);
    // Never end on half of a character.
    while (count > 0 && count < text.size() &&
           (static_cast<unsigned char>(text[count]) & 0xC0) == 0x80) {
        --count;
    }
    std::memcpy(buffer, text.constData(), static_cast<size_t>(count));
    buffer[count] = '\0';
    return count;
}

void QtDialogWindow::SetCheck(int id, bool checked) {
    if (Control* control = Find(id)) {
        if (auto* button = qobject_cast<QAbstractButton*>(control->widget)) {
            button->setChecked(checked);
        }
    }
}

bool QtDialogWindow::IsChecked(int id) const {
    const Control* control = Find(id);
    auto* button = control != nullptr ? qobject_cast<QAbstractButton*>(control->widget) : nullptr;
    return button != nullptr && button->isChecked();
}

void QtDialogWindow::LimitText(int id, int maxChars) {
    Control* control = Find(id);
    auto* edit = control != nullptr ? qobject_cast<QLineEdit*>(control->widget) : nullptr;
    if (edit == nullptr) {
        return;
    }
    control->limit = maxChars > 0 ? std::min(maxChars, kDefaultEditLimit) : kDefaultEditLimit;
    // A longer text already there stays (as on Windows); typing cannot grow it.
    edit->setMaxLength(std::max<int>(control->limit, static_cast<int>(edit->text().size())));
}

void QtDialogWindow::ListReset(int id) {
    Control* control = Find(id);
    if (auto* list = control != nullptr ? qobject_cast<QtListBox*>(control->widget) : nullptr) {
        list->clear();
    }
}

int QtDialogWindow::ListAddString(int id, const char* text) {
    Control* control = Find(id);
    auto* list = control != nullptr ? qobject_cast<QtListBox*>(control->widget) : nullptr;
    if (list == nullptr) {
        return -1;
    }
    const QString value = ToQString(text);
    int at = list->count();
    if ((control->layout->flags & kControlSorted) != 0) {
        // After the last item that does not sort behind it, without regard to case.
        at = 0;
        while (at < list->count() &&
               QString::compare(list->item(at)->text(), value, Qt::CaseInsensitive) <= 0) {
            ++at;
        }
    }
    list->insertItem(at, value);
    return at;
}

int QtDialogWindow::ListInsertString(int id, int index, const char* text) {
    Control* control = Find(id);
    auto* list = control != nullptr ? qobject_cast<QtListBox*>(control->widget) : nullptr;
    if (list == nullptr || index > list->count()) {
        return -1;
    }
    const int at = index < 0 ? list->count() : index;
    list->insertItem(at, ToQString(text));
    return at;
}

int QtDialogWindow::ListCount(int id) const {
    const Control* control = Find(id);
    auto* list = control != nullptr ? qobject_cast<QtListBox*>(control->widget) : nullptr;
    return list != nullptr ? list->count() : 0;
}

std::string QtDialogWindow::ListItemText(int id, int index) const {
    const Control* control = Find(id);
    auto* list = control != nullptr ? qobject_cast<QtListBox*>(control->widget) : nullptr;
    if (list == nullptr || index < 0 || index >= list->count()) {
        return {};
    }
    return list->item(index)->text().toStdString();
}

void QtDialogWindow::SetProgressPosition(int id, int position) {
    Control* control = Find(id);
    if (auto* bar = control != nullptr ? qobject_cast<QProgressBar*>(control->widget) : nullptr) {
        bar->setValue(std::clamp(position, kProgressRangeMin, kProgressRangeMax));
    }
}

void QtDialogWindow::SetDefaultButton(int id) {
    Control* control = Find(id);
    if (control == nullptr || qobject_cast<QPushButton*>(control->widget) == nullptr) {
        return;
    }
    if (Control* previous = Find(defaultButton_)) {
        if (auto* button = qobject_cast<QPushButton*>(previous->widget)) {
            button->setDefault(false);
        }
    }
    defaultButton_ = id;
    static_cast<QPushButton*>(control->widget)->setDefault(true);
}

void QtDialogWindow::RedrawControl(int id) {
    if (Control* control = Find(id)) {
        control->widget->update();
        if (auto* list = qobject_cast<QtListBox*>(control->widget)) {
            list->viewport()->update();
        }
    }
}

}  // namespace corvane::qt
