#include "platform/MessageThread.h"

#include <unistd.h>

#include <cassert>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/linux/EventImpl.h"

namespace corvane::platform {

namespace {

// The thread's message queue. It is an EventWaiter so that Event::Set() can
// wake a thread blocked on "event or message" through the queue's own mutex.
struct Queue : EventWaiter {
    std::deque<Message> messages;
    bool exists = false;  // the thread has made its first queue call
    bool ended = false;   // the thread has ended: nobody will take messages
};

}  // namespace

struct MessageThread::Impl {
    Body body = nullptr;
    void* param = nullptr;
    std::shared_ptr<Queue> queue = std::make_shared<Queue>();

    std::mutex mutex;
    std::condition_variable changed;
    bool running = false;  // the thread exists and knows its id
    bool resumed = false;
    bool abandoned = false;  // destroyed before it was ever resumed
    bool finished = false;
    uint32_t id = 0;
    uint32_t exitCode = kStillActive;
    std::thread::id threadId;

    std::mutex joinMutex;  // std::thread::join must not run twice at once
    std::thread thread;

    void Run();
    bool OnOwnThread() {
        std::lock_guard lock(mutex);
        return threadId == std::this_thread::get_id();
    }
};

void MessageThread::Impl::Run() {
    bool runBody = false;
    {
        std::unique_lock lock(mutex);
        id = static_cast<uint32_t>(gettid());
        threadId = std::this_thread::get_id();
        running = true;
        changed.notify_all();
        changed.wait(lock, [this] { return resumed || abandoned; });
        runBody = resumed;
    }
    const uint32_t code = runBody ? body(param) : 0;
    {
        // Messages left behind are dropped, and later posts fail, as they do
        // for a thread that has ended.
        std::lock_guard lock(queue->mutex);
        queue->ended = true;
        queue->messages.clear();
    }
    std::lock_guard lock(mutex);
    exitCode = code;
    finished = true;
    changed.notify_all();
}

MessageThread::MessageThread() : impl_(std::make_unique<Impl>()) {}

std::unique_ptr<MessageThread> MessageThread::StartSuspended(Body body, void* param) {
    if (body == nullptr) {
        return nullptr;
    }
    std::unique_ptr<MessageThread> self(new MessageThread());
    Impl& impl = *self->impl_;
    impl.body = body;
    impl.param = param;
    try {
        impl.thread = std::thread([&impl] { impl.Run(); });
    } catch (const std::system_error&) {
        return nullptr;
    }
    // Wait until the thread has its id, so Id() is valid at once.
    std::unique_lock lock(impl.mutex);
    impl.changed.wait(lock, [&impl] { return impl.running; });
    return self;
}

MessageThread::~MessageThread() {
    {
        std::lock_guard lock(impl_->mutex);
        if (!impl_->resumed) {
            impl_->abandoned = true;
            impl_->changed.notify_all();
        }
    }
    std::lock_guard lock(impl_->joinMutex);
    if (impl_->thread.joinable()) {
        impl_->thread.join();
    }
}

void MessageThread::Resume() {
    std::lock_guard lock(impl_->mutex);
    impl_->resumed = true;
    impl_->changed.notify_all();
}

uint32_t MessageThread::Id() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->id;
}

bool MessageThread::Post(uint32_t message, WParam wParam, LParam lParam) {
    Queue& queue = *impl_->queue;
    std::lock_guard lock(queue.mutex);
    if (!queue.exists || queue.ended) {
        return false;
    }
    queue.messages.push_back(Message{message, wParam, lParam});
    queue.wake.notify_all();
    return true;
}

bool MessageThread::Join(uint32_t timeoutMs) {
    {
        std::unique_lock lock(impl_->mutex);
        auto finished = [this] { return impl_->finished; };
        if (timeoutMs == Event::kInfinite) {
            impl_->changed.wait(lock, finished);
        } else if (!impl_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), finished)) {
            return false;
        }
    }
    std::lock_guard lock(impl_->joinMutex);
    if (impl_->thread.joinable()) {
        impl_->thread.join();
    }
    return true;
}

uint32_t MessageThread::ExitCode() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->exitCode;
}

void MessageThread::CreateQueue() {
    assert(impl_->OnOwnThread());
    Queue& queue = *impl_->queue;
    std::lock_guard lock(queue.mutex);
    queue.exists = true;
}

Message MessageThread::GetMessage() {
    assert(impl_->OnOwnThread());
    Queue& queue = *impl_->queue;
    std::unique_lock lock(queue.mutex);
    queue.exists = true;
    queue.wake.wait(lock, [&queue] { return !queue.messages.empty(); });
    Message message = queue.messages.front();
    queue.messages.pop_front();
    return message;
}

bool MessageThread::HasMessages() {
    assert(impl_->OnOwnThread());
    Queue& queue = *impl_->queue;
    std::lock_guard lock(queue.mutex);
    queue.exists = true;
    return !queue.messages.empty();
}

MessageThread::Wake MessageThread::WaitForEventOrMessage(const Event& event) {
    assert(impl_->OnOwnThread());
    Queue& queue = *impl_->queue;
    Event::Impl& eventImpl = event.impl();
    // Registered before the first look at the event: a Set() from now on
    // notifies this queue, and one that came earlier is seen by the look.
    eventImpl.AddWaiter(impl_->queue);
    Wake wake = Wake::Message;
    {
        std::unique_lock lock(queue.mutex);
        queue.exists = true;
        for (;;) {
            // The event first, as the Windows wait reports a set handle before
            // queued input.
            if (event.IsSet()) {
                wake = Wake::Event;
                break;
            }
            if (!queue.messages.empty()) {
                wake = Wake::Message;
                break;
            }
            queue.wake.wait(lock);
        }
    }
    eventImpl.RemoveWaiter(impl_->queue.get());
    return wake;
}

}  // namespace corvane::platform
