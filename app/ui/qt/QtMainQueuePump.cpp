#include "app/ui/qt/QtMainQueuePump.h"

#include <QMetaObject>

namespace corvane::qt {

QtMainQueuePump::QtMainQueuePump() : wake_(std::make_shared<Wake>()) {
    wake_->target = this;
}

QtMainQueuePump::~QtMainQueuePump() {
    Connect(nullptr, nullptr);
    std::lock_guard lock(wake_->mutex);
    wake_->target = nullptr;
}

void QtMainQueuePump::Connect(platform::WindowMessageQueue* queue, DialogHandler* handler) {
    if (queue_ != nullptr) {
        queue_->SetWakeHandler(nullptr);
    }
    queue_ = queue;
    handler_ = handler;
    wake_->pending = false;
    if (queue_ != nullptr) {
        std::shared_ptr<Wake> wake = wake_;
        queue_->SetWakeHandler([wake] { WakeUp(wake); });
        if (!queue_->Empty()) {
            ScheduleDrain();
        }
    }
}

void QtMainQueuePump::WakeUp(const std::shared_ptr<Wake>& wake) {
    std::lock_guard lock(wake->mutex);
    if (wake->target == nullptr || wake->pending.exchange(true)) {
        return;  // gone, or a drain is already on its way
    }
    auto* pump = static_cast<QtMainQueuePump*>(wake->target);
    QMetaObject::invokeMethod(
        pump, [pump] { pump->Drain(); }, Qt::QueuedConnection);
}

void QtMainQueuePump::ScheduleDrain() {
    WakeUp(wake_);
}

void QtMainQueuePump::Drain() {
    // One message per drain, with the next drain scheduled before the
    // dispatch: a message box or dialog the dispatch opens then delivers
    // what is already queued, in order, not only what is posted later.
    wake_->pending = false;
    platform::Message message;
    if (queue_ == nullptr || !queue_->Take(message, 0)) {
        return;
    }
    if (!queue_->Empty()) {
        ScheduleDrain();
    }
    if (handler_ != nullptr) {
        handler_->DispatchMessage(message.message, message.wParam, message.lParam);
    }
    if (afterDispatch_) {
        afterDispatch_();
    }
}

}  // namespace corvane::qt
