#include "platform/MessageThread.h"

#include <atomic>
#include <cassert>

#include "platform/win32/EventImpl.h"
#include "platform/win32/WinApi.h"

namespace corvane::platform {

struct MessageThread::Impl {
    Body body = nullptr;
    void* param = nullptr;
    HANDLE thread = nullptr;
    DWORD id = 0;
    std::atomic<bool> resumed = false;
    std::atomic<bool> abandoned = false;  // destroyed before it was ever resumed

    static DWORD WINAPI Start(LPVOID self) {
        auto& impl = *static_cast<Impl*>(self);
        if (impl.abandoned) {
            return 0;
        }
        return impl.body(impl.param);
    }
    bool OnOwnThread() const { return GetCurrentThreadId() == id; }
};

MessageThread::MessageThread() : impl_(std::make_unique<Impl>()) {}

std::unique_ptr<MessageThread> MessageThread::StartSuspended(Body body, void* param) {
    if (body == nullptr) {
        return nullptr;
    }
    std::unique_ptr<MessageThread> self(new MessageThread());
    Impl& impl = *self->impl_;
    impl.body = body;
    impl.param = param;
    impl.thread = CreateThread(nullptr, 0, &Impl::Start, &impl, CREATE_SUSPENDED, &impl.id);
    if (impl.thread == nullptr) {
        return nullptr;
    }
    return self;
}

MessageThread::~MessageThread() {
    if (!impl_->resumed.exchange(true)) {
        impl_->abandoned = true;
        ResumeThread(impl_->thread);
    }
    WaitForSingleObject(impl_->thread, INFINITE);
    CloseHandle(impl_->thread);
}

void MessageThread::Resume() {
    impl_->resumed = true;
    ResumeThread(impl_->thread);
}

uint32_t MessageThread::Id() const {
    return impl_->id;
}

// The open thread handle keeps the id from being given to another thread, so
// a post after the end fails instead of reaching a stranger.
bool MessageThread::Post(uint32_t message, WParam wParam, LParam lParam) {
    return PostThreadMessageA(impl_->id, message, static_cast<WPARAM>(wParam),
                              static_cast<LPARAM>(lParam)) != FALSE;
}

bool MessageThread::Join(uint32_t timeoutMs) {
    const DWORD timeout = timeoutMs == Event::kInfinite ? INFINITE : timeoutMs;
    return WaitForSingleObject(impl_->thread, timeout) == WAIT_OBJECT_0;
}

uint32_t MessageThread::ExitCode() const {
    DWORD code = kStillActive;
    if (!GetExitCodeThread(impl_->thread, &code)) {
        return kStillActive;
    }
    return code;
}

void MessageThread::CreateQueue() {
    assert(impl_->OnOwnThread());
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
}

Message MessageThread::GetMessage() {
    assert(impl_->OnOwnThread());
    MSG msg{};
    // -1 only for a bad window handle; a thread queue has none.
    GetMessageA(&msg, nullptr, 0, 0);
    return Message{msg.message, static_cast<WParam>(msg.wParam), static_cast<LParam>(msg.lParam)};
}

bool MessageThread::HasMessages() {
    assert(impl_->OnOwnThread());
    // The high word says what the queue holds now (the low word only what
    // came since the last look).
    return (HIWORD(GetQueueStatus(QS_POSTMESSAGE)) & QS_POSTMESSAGE) != 0;
}

MessageThread::Wake MessageThread::WaitForEventOrMessage(const Event& event) {
    assert(impl_->OnOwnThread());
    HANDLE handle = event.impl().handle;
    for (;;) {
        // MWMO_INPUTAVAILABLE: a message that was already queued before the
        // call wakes it too, not only one posted during the wait.
        const DWORD result = MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_ALLPOSTMESSAGE,
                                                         MWMO_INPUTAVAILABLE);
        if (result == WAIT_OBJECT_0) {
            return Wake::Event;
        }
        if (result == WAIT_OBJECT_0 + 1) {
            return Wake::Message;
        }
        if (result == WAIT_FAILED) {
            // Cannot happen with a valid event; do not spin on it.
            Sleep(1);
        }
    }
}

}  // namespace corvane::platform
