// A manual-reset event: stays set until reset, wakes every waiter.
#pragma once

#include <cstdint>
#include <memory>

namespace corvane::platform {

class Event {
public:
    static constexpr uint32_t kInfinite = 0xFFFFFFFF;

    Event();  // created non-signalled
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;
    // True when the event is set within timeoutMs (kInfinite: no limit).
    bool Wait(uint32_t timeoutMs = kInfinite) const;

    struct Impl;
    Impl& impl() const { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace corvane::platform
