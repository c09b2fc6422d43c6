// The inside of an Event, shared with the message threads: a thread that waits
// for "event set or message posted" registers itself as a waiter, and Set()
// wakes every registered waiter through the waiter's own mutex and condition
// variable.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/Event.h"

namespace corvane::platform {

// Someone who blocks on an event together with something else. Set() takes
// the waiter's mutex before notifying, so a waiter that looked at the event
// under that mutex and found it clear cannot miss the wake.
struct EventWaiter {
    std::mutex mutex;
    std::condition_variable wake;
};

struct Event::Impl {
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    bool set = false;
    std::vector<std::shared_ptr<EventWaiter>> waiters;

    void AddWaiter(std::shared_ptr<EventWaiter> waiter);
    void RemoveWaiter(const EventWaiter* waiter);
};

}  // namespace corvane::platform
