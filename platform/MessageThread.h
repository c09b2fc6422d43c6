// A worker thread with its own message queue, as the program's reader and
// download threads need it: started suspended, resumed, addressed by posted
// thread messages, joined with a time-out.
//
// The queue comes into existence the first time the thread itself calls one
// of the queue operations below; until then Post() fails, so a starter posts
// in a retry loop (exactly as with PostThreadMessage on Windows).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Event.h"
#include "platform/Message.h"

namespace corvane::platform {

class MessageThread {
public:
    using Body = uint32_t (*)(void* param);
    // ExitCode() while the thread has not ended (STILL_ACTIVE).
    static constexpr uint32_t kStillActive = 259;

    // Creates the thread suspended: body(param) runs once Resume() is called.
    // nullptr when the system cannot create a thread.
    static std::unique_ptr<MessageThread> StartSuspended(Body body, void* param);
    // Waits for the thread to end if it is still running (a thread that was
    // never resumed ends without running its body). Not from the thread itself.
    ~MessageThread();
    MessageThread(const MessageThread&) = delete;
    MessageThread& operator=(const MessageThread&) = delete;

    void Resume();
    uint32_t Id() const;

    // Any thread: appends to the queue. False while the queue does not exist
    // yet, and after the thread has ended.
    bool Post(uint32_t message, WParam wParam = 0, LParam lParam = 0);

    // True when the thread has ended within timeoutMs (Event::kInfinite: no limit).
    bool Join(uint32_t timeoutMs);
    uint32_t ExitCode() const;

    // --- Called only by the thread itself. The first call creates the queue.
    void CreateQueue();
    // Blocks until a message is posted and removes it.
    Message GetMessage();
    // True while the queue holds a posted message (GetQueueStatus).
    bool HasMessages();
    // Blocks until the event is set or a message is in the queue
    // (MsgWaitForMultipleObjects on one event with no time-out).
    enum class Wake { Event, Message };
    Wake WaitForEventOrMessage(const Event& event);

    struct Impl;

private:
    MessageThread();
    std::unique_ptr<Impl> impl_;
};

}  // namespace corvane::platform
