// Kernel events (KEVENT) on Linux. A KEVENT is a plain struct the driver
// places anywhere, even on its stack, and never destroys; so its state lives
// in the struct (Header.SignalState) and one host-wide mutex and condition
// variable do the waiting. A setter touches the event only under the mutex,
// so a waiter may return and drop its event as soon as it is woken.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/kernel/ddk/wdm.h"

namespace corvane::kernel {

class Dispatcher {
public:
    void Initialize(KEVENT* event, EVENT_TYPE type, bool signalled);
    // Each returns the previous state.
    LONG Set(KEVENT* event);
    LONG Reset(KEVENT* event);
    LONG Read(KEVENT* event);
    // timeout100ns: null = forever; negative = relative; positive values are
    // absolute times, which the hosted kernel treats as relative.
    NTSTATUS Wait(KEVENT* event, const int64_t* timeout100ns);

private:
    std::mutex mutex_;
    std::condition_variable changed_;
};

}  // namespace corvane::kernel
