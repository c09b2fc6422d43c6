// Construction from the template, the window itself and its input rules.
#include "app/ui/qt/QtDialogWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPushButton>

#include "app/ui/ControlIds.h"
#include "app/ui/WindowMessages.h"
#include "app/ui/qt/QtArtwork.h"
#include "app/ui/qt/QtControls.h"
#include "app/ui/qt/QtMainQueuePump.h"

namespace corvane::qt {

namespace {

Qt::WindowFlags FlagsFor(const DialogTemplate& dialog) {
    Qt::WindowFlags flags =
        (dialog.windowFlags & kWindowTaskbarButton) != 0 ? Qt::Window : Qt::Dialog;
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if ((dialog.windowFlags & kWindowSystemMenu) != 0) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    return flags;
}

}  // namespace

QtDialogWindow::QtDialogWindow(const DialogTemplate& dialog, DialogHandler& handler, QWidget* owner,
                               QtMainQueuePump* pump)
    : QDialog(owner, FlagsFor(dialog)),
      dialog_(dialog),
      handler_(handler),
      pump_(pump),
      templateId_(dialog.templateId) {
    setFont(DialogFont(dialog));
    units_ = FittingBaseUnits(dialog, font(), *style());
    setFixedSize(MapDialogSize(dialog, units_));
    setWindowTitle(QString::fromUtf8(dialog.caption));
    setContextMenuPolicy(Qt::ActionsContextMenu);
    setSizeGripEnabled(false);
    BuildControls();
}

QtDialogWindow::~QtDialogWindow() {
    destroying_ = true;
    for (auto& [id, control] : controls_) {
        control.widget->removeEventFilter(this);
    }
    // Modeless windows this one owns belong to their creators' objects, which
    // delete them; Qt must not delete them with this window.
    for (QtDialogWindow* child : findChildren<QtDialogWindow*>(Qt::FindDirectChildrenOnly)) {
        child->hide();
        child->setParent(nullptr);
    }
}

void QtDialogWindow::BuildControls() {
    const int lineHeight = units_.y;
    for (const ControlTemplate& layout : dialog_.controls) {
        const int id = layout.id;
        QWidget* widget = MakeControlWidget(
            layout, this, [this, id] { return !destroying_ && handler_.UsesListBrush(id); });
        const QRect rect = MapControl(layout, units_);
        widget->setGeometry(rect);
        if (auto* label = qobject_cast<QLabel*>(widget);
            label != nullptr && label->pixmap().isNull()) {
            label->setWordWrap(LabelWraps(layout, lineHeight, rect.height()));
        }
        if ((layout.flags & kControlHiddenAtStart) != 0) {
            widget->hide();
        }
        if (layout.kind == ControlKind::DefaultButton && defaultButton_ == 0 && id != kIdStatic) {
            defaultButton_ = id;
            static_cast<QPushButton*>(widget)->setDefault(true);
        }
        if (id != kIdStatic) {
            controls_[id] = Control{&layout, widget, 0};
            ConnectControl(id, widget, layout.kind);
        }
    }
}

void QtDialogWindow::ConnectControl(int id, QWidget* widget, ControlKind kind) {
    if (kind == ControlKind::Button || kind == ControlKind::DefaultButton ||
        kind == ControlKind::CheckBox) {
        connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::clicked, this,
                [this, id] { handler_.OnControl(id, ControlEvent::Clicked); });
    } else if (kind == ControlKind::Edit) {
        auto* edit = static_cast<QLineEdit*>(widget);
        widget->installEventFilter(this);
        // A text set longer than the limit raised it; typing back under the
        // limit restores it.
        connect(edit, &QLineEdit::textEdited, this, [this, id, edit] {
            const Control* control = Find(id);
            if (control != nullptr && control->limit > 0 && edit->text().size() <= control->limit) {
                edit->setMaxLength(control->limit);
            }
        });
    }
}

bool QtDialogWindow::eventFilter(QObject* watched, QEvent* event) {
    if (!destroying_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        for (const auto& [id, control] : controls_) {
            if (control.widget == watched) {
                handler_.OnControl(id, event->type() == QEvent::FocusIn ? ControlEvent::GainedFocus
                                                                        : ControlEvent::LostFocus);
                break;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void QtDialogWindow::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        PressEnter();
        return;
    }
    if (plain && event->key() == Qt::Key_Escape) {
        handler_.OnControl(kIdCancel, ControlEvent::Clicked);
        return;
    }
    QWidget::keyPressEvent(event);  // not QDialog's: it would end the dialog itself
}

void QtDialogWindow::PressEnter() {
    if (auto* focused = qobject_cast<QPushButton*>(focusWidget());
        focused != nullptr && focused->isEnabled()) {
        focused->click();
        return;
    }
    const Control* control = Find(defaultButton_);
    if (control != nullptr && control->widget->isEnabled() && !control->widget->isHidden()) {
        if (auto* button = qobject_cast<QAbstractButton*>(control->widget)) {
            button->click();
        }
    }
}

void QtDialogWindow::closeEvent(QCloseEvent* event) {
    event->ignore();  // the handler decides; EndDialog or ShowWindow hides
    if (destroying_) {
        return;
    }
    if (!handler_.DispatchMessage(WM_CLOSE, 0, 0).handled) {
        handler_.OnControl(kIdCancel, ControlEvent::Clicked);
    }
}

void QtDialogWindow::reject() {
    if (!destroying_) {
        handler_.OnControl(kIdCancel, ControlEvent::Clicked);
    }
}

int QtDialogWindow::RunModalLoop(bool blockOthers) {
    if (!ended_) {
        if (blockOthers) {
            setWindowModality(parentWidget() != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
        }
        show();
        raise();
        activateWindow();
        QEventLoop loop;
        loop_ = &loop;
        if (!ended_) {
            loop.exec(QEventLoop::DialogExec);
        }
        loop_ = nullptr;
    }
    hide();
    return ended_ ? result_ : kIdCancel;
}

void QtDialogWindow::EndDialog(int result) {
    ended_ = true;
    result_ = result;
    hide();
    if (loop_ != nullptr) {
        loop_->quit();
    }
}

void QtDialogWindow::SetCaption(const char* caption) {
    setWindowTitle(QString::fromUtf8(caption != nullptr ? caption : ""));
}

void QtDialogWindow::SetIcon(int resourceId) {
    setWindowIcon(ResourceIcon(resourceId));
}

void QtDialogWindow::AppendSystemMenuItem(int commandId, const char* text) {
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    addAction(separator);
    auto* item = new QAction(QString::fromUtf8(text != nullptr ? text : ""), this);
    if (commandId == kAboutCommandId) {
        // Window managers keep the system menu to themselves.
        item->setShortcut(QKeySequence(Qt::Key_F1));
        item->setShortcutContext(Qt::WindowShortcut);
    }
    connect(item, &QAction::triggered, this, [this, commandId] {
        handler_.DispatchMessage(WM_SYSCOMMAND, static_cast<platform::WParam>(commandId), 0);
    });
    addAction(item);
}

void QtDialogWindow::ShowWindow(bool show) {
    setVisible(show);
    if (show) {
        raise();
    }
}

bool QtDialogWindow::IsWindowVisible() const {
    return isVisible();
}

WindowPosition QtDialogWindow::GetWindowPosition() const {
    return {pos().x(), pos().y()};
}

void QtDialogWindow::MoveWindow(int x, int y) {
    move(x, y);
}

void QtDialogWindow::PostToWindow(uint32_t message, platform::WParam wParam,
                                  platform::LParam lParam) {
    if (pump_ != nullptr && pump_->Queue() != nullptr && pump_->Handler() == &handler_) {
        pump_->Queue()->Post(message, wParam, lParam);
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this, message, wParam, lParam] { handler_.DispatchMessage(message, wParam, lParam); },
        Qt::QueuedConnection);
}

}  // namespace corvane::qt
