#include "platform/Event.h"

#include <new>

#include "platform/win32/EventImpl.h"

namespace corvane::platform {

Event::Event() : impl_(std::make_unique<Impl>()) {
    impl_->handle = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (impl_->handle == nullptr) {
        // Without an event object nothing could wait on it: out of resources.
        throw std::bad_alloc();
    }
}

Event::~Event() {
    CloseHandle(impl_->handle);
}

void Event::Set() {
    SetEvent(impl_->handle);
}

void Event::Reset() {
    ResetEvent(impl_->handle);
}

bool Event::IsSet() const {
    return WaitForSingleObject(impl_->handle, 0) == WAIT_OBJECT_0;
}

bool Event::Wait(uint32_t timeoutMs) const {
    const DWORD timeout = timeoutMs == kInfinite ? INFINITE : timeoutMs;
    return WaitForSingleObject(impl_->handle, timeout) == WAIT_OBJECT_0;
}

}  // namespace corvane::platform
