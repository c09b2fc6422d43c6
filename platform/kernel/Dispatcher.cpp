#include "platform/kernel/Dispatcher.h"

#include <chrono>

namespace corvane::kernel {

void Dispatcher::Initialize(KEVENT* event, EVENT_TYPE type, bool signalled) {
    std::lock_guard lock(mutex_);
    event->Header.Type = static_cast<UCHAR>(type);
    event->Header.Absolute = 0;
    event->Header.Size = sizeof(KEVENT) / sizeof(LONG);
    event->Header.Inserted = 0;
    event->Header.SignalState = signalled ? 1 : 0;
    event->Header.WaitListHead.Flink = &event->Header.WaitListHead;
    event->Header.WaitListHead.Blink = &event->Header.WaitListHead;
}

LONG Dispatcher::Set(KEVENT* event) {
    LONG previous;
    {
        std::lock_guard lock(mutex_);
        previous = event->Header.SignalState;
        event->Header.SignalState = 1;
    }
    changed_.notify_all();
    return previous;
}

LONG Dispatcher::Reset(KEVENT* event) {
    std::lock_guard lock(mutex_);
    LONG previous = event->Header.SignalState;
    event->Header.SignalState = 0;
    return previous;
}

LONG Dispatcher::Read(KEVENT* event) {
    std::lock_guard lock(mutex_);
    return event->Header.SignalState;
}

NTSTATUS Dispatcher::Wait(KEVENT* event, const int64_t* timeout100ns) {
    std::unique_lock lock(mutex_);
    auto signalled = [event] { return event->Header.SignalState != 0; };
    if (timeout100ns == nullptr) {
        changed_.wait(lock, signalled);
    } else {
        int64_t ticks = *timeout100ns < 0 ? -*timeout100ns : *timeout100ns;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::nanoseconds(ticks * 100);
        if (!changed_.wait_until(lock, deadline, signalled)) {
            return STATUS_TIMEOUT;
        }
    }
    if (event->Header.Type == SynchronizationEvent) {
        event->Header.SignalState = 0;
    }
    return STATUS_SUCCESS;
}

}  // namespace corvane::kernel
