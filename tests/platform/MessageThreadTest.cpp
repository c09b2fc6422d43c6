#include <gtest/gtest.h>

#if defined(_WIN32)
#include "platform/win32/WinApi.h"
#else
#include <unistd.h>
#endif

#include <atomic>
#include <thread>
#include <vector>

#include "platform/MessageThread.h"

namespace corvane::platform {
namespace {

constexpr uint32_t kQuit = 0x801E;

// The system's id of the calling thread, as MessageThread::Id() reports it.
uint32_t OwnThreadId() {
#if defined(_WIN32)
    return GetCurrentThreadId();
#else
    return static_cast<uint32_t>(gettid());
#endif
}
constexpr uint32_t kLong = 10000;  // a wait that only a fault lets run out

// What a test thread's body works with. The body reaches its MessageThread
// through `self`, which the test fills in before resuming the thread.
struct Worker {
    MessageThread* self = nullptr;
    Event go;          // the body makes its first queue call only once this is set
    Event queueReady;  // set by the body after its first queue call
    Event wakeEvent;   // the event of WaitForEventOrMessage
    std::vector<Message> received;
    MessageThread::Wake wake = MessageThread::Wake::Message;
    bool pendingAfterWake = false;
    uint32_t ownId = 0;
    uint32_t exitCode = 0;
    std::atomic<bool> bodyRan{false};
};

std::unique_ptr<MessageThread> Start(MessageThread::Body body, Worker& worker) {
    auto thread = MessageThread::StartSuspended(body, &worker);
    if (thread != nullptr) {
        worker.self = thread.get();
        thread->Resume();
    }
    return thread;
}

// Takes messages until the quit message and keeps the others.
uint32_t CollectUntilQuit(void* param) {
    auto& w = *static_cast<Worker*>(param);
    w.bodyRan = true;
    w.ownId = OwnThreadId();
    w.go.Wait();
    w.self->CreateQueue();
    w.queueReady.Set();
    for (;;) {
        const Message m = w.self->GetMessage();
        if (m.message == kQuit) {
            return w.exitCode;
        }
        w.received.push_back(m);
    }
}

// One wait for the event or a message, then whatever is queued is taken.
uint32_t WaitOnce(void* param) {
    auto& w = *static_cast<Worker*>(param);
    w.go.Wait();
    w.self->CreateQueue();
    w.queueReady.Set();
    w.wake = w.self->WaitForEventOrMessage(w.wakeEvent);
    w.pendingAfterWake = w.self->HasMessages();
    while (w.self->HasMessages()) {
        w.received.push_back(w.self->GetMessage());
    }
    return 0;
}

TEST(MessageThread, PostFailsUntilTheThreadHasMadeItsFirstQueueCall) {
    Worker worker;
    auto thread = MessageThread::StartSuspended(CollectUntilQuit, &worker);
    ASSERT_NE(nullptr, thread);
    worker.self = thread.get();
    EXPECT_FALSE(thread->Post(0x8017)) << "suspended";
    thread->Resume();
    EXPECT_FALSE(thread->Post(0x8017)) << "running, but no queue call yet";
    worker.go.Set();
    ASSERT_TRUE(worker.queueReady.Wait(kLong));
    EXPECT_TRUE(thread->Post(0x8017, 0, 42));
    EXPECT_TRUE(thread->Post(kQuit));
    ASSERT_TRUE(thread->Join(kLong));
    ASSERT_EQ(1u, worker.received.size()) << "the refused posts were not queued";
    EXPECT_EQ(42, worker.received[0].lParam);
}

TEST(MessageThread, MessagesArriveInPostingOrder) {
    Worker worker;
    worker.go.Set();
    auto thread = Start(CollectUntilQuit, worker);
    ASSERT_TRUE(worker.queueReady.Wait(kLong));
    for (uint32_t i = 0; i < 1000; ++i) {
        ASSERT_TRUE(thread->Post(0x8034, i, -static_cast<LParam>(i)));
    }
    thread->Post(kQuit);
    ASSERT_TRUE(thread->Join(kLong));
    ASSERT_EQ(1000u, worker.received.size());
    for (uint32_t i = 0; i < 1000; ++i) {
        EXPECT_EQ(i, worker.received[i].wParam);
        EXPECT_EQ(-static_cast<LParam>(i), worker.received[i].lParam);
    }
}

TEST(MessageThread, JoinTimesOutWhileRunningAndSucceedsOnceEnded) {
    Worker worker;
    worker.go.Set();
    worker.exitCode = 7;
    auto thread = Start(CollectUntilQuit, worker);
    ASSERT_TRUE(worker.queueReady.Wait(kLong));
    EXPECT_FALSE(thread->Join(20));
    EXPECT_FALSE(thread->Join(0)) << "a timed-out join can be repeated";
    EXPECT_EQ(MessageThread::kStillActive, thread->ExitCode());
    thread->Post(kQuit);
    EXPECT_TRUE(thread->Join(Event::kInfinite));
    EXPECT_TRUE(thread->Join(0)) << "an ended thread joins at once, again";
    EXPECT_EQ(7u, thread->ExitCode());
}

TEST(MessageThread, PostsAfterTheThreadEndedFail) {
    Worker worker;
    worker.go.Set();
    auto thread = Start(CollectUntilQuit, worker);
    ASSERT_TRUE(worker.queueReady.Wait(kLong));
    ASSERT_TRUE(thread->Post(kQuit));
    ASSERT_TRUE(thread->Join(kLong));
    EXPECT_FALSE(thread->Post(0x8017));
}

TEST(MessageThread, IdIsTheThreadsOwnAndDiffersBetweenThreads) {
    Worker first;
    Worker second;
    first.go.Set();
    second.go.Set();
    auto a = Start(CollectUntilQuit, first);
    auto b = Start(CollectUntilQuit, second);
    ASSERT_TRUE(first.queueReady.Wait(kLong));
    ASSERT_TRUE(second.queueReady.Wait(kLong));
    EXPECT_NE(0u, a->Id());
    EXPECT_NE(a->Id(), b->Id());
    a->Post(kQuit);
    b->Post(kQuit);
    ASSERT_TRUE(a->Join(kLong));
    ASSERT_TRUE(b->Join(kLong));
    EXPECT_EQ(first.ownId, a->Id());
    EXPECT_EQ(second.ownId, b->Id());
}

TEST(MessageThread, ANeverResumedThreadEndsWithoutRunningItsBody) {
    Worker worker;
    auto thread = MessageThread::StartSuspended(CollectUntilQuit, &worker);
    ASSERT_NE(nullptr, thread);
    EXPECT_FALSE(thread->Join(10));
    thread.reset();
    EXPECT_FALSE(worker.bodyRan);
}

TEST(MessageThread, DestructorWaitsForTheBodyToEnd) {
    Worker worker;
    worker.go.Set();
    auto thread = Start(CollectUntilQuit, worker);
    ASSERT_TRUE(worker.queueReady.Wait(kLong));
    std::atomic<bool> quitPosted{false};
    MessageThread* raw = thread.get();
    std::thread quitter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        quitPosted = true;
        raw->Post(kQuit);
    });
    thread.reset();
    EXPECT_TRUE(quitPosted);
    quitter.join();
}

TEST(MessageThread, WaitWakesWhenAnotherThreadSetsTheEvent) {
    Worker worker;
    worker.go.Set();
    auto thread = Start(WaitOnce, worker);
    ASSERT_TRUE(worker.queueReady.Wait(kLong));
    EXPECT_FALSE(thread->Join(20)) << "the wait must block while nothing happened";
    std::thread setter([&] { worker.wakeEvent.Set(); });
    ASSERT_TRUE(thread->Join(kLong));
    setter.join();
    EXPECT_EQ(MessageThread::Wake::Event, worker.wake);
    EXPECT_TRUE(worker.wakeEvent.IsSet()) << "the wait does not reset the event";
}

TEST(MessageThread, WaitWakesOnAPostedMessageAndLeavesItQueued) {
    Worker worker;
    worker.go.Set();
    auto thread = Start(WaitOnce, worker);
    ASSERT_TRUE(worker.queueReady.Wait(kLong));
    EXPECT_FALSE(thread->Join(20));
    ASSERT_TRUE(thread->Post(0x801C, 3));
    ASSERT_TRUE(thread->Join(kLong));
    EXPECT_EQ(MessageThread::Wake::Message, worker.wake);
    EXPECT_TRUE(worker.pendingAfterWake);
    ASSERT_EQ(1u, worker.received.size());
    EXPECT_EQ(0x801Cu, worker.received[0].message);
}

TEST(MessageThread, WaitReturnsAtOnceForAnEventAlreadySetOrAMessageAlreadyQueued) {
    Worker setBefore;
    setBefore.wakeEvent.Set();
    setBefore.go.Set();
    auto a = Start(WaitOnce, setBefore);
    ASSERT_TRUE(a->Join(kLong));
    EXPECT_EQ(MessageThread::Wake::Event, setBefore.wake);

    // A queue that exists before the wait: the message is posted first.
    Worker worker;
    auto c = MessageThread::StartSuspended(
        [](void* param) -> uint32_t {
            auto& w = *static_cast<Worker*>(param);
            w.self->CreateQueue();
            w.queueReady.Set();
            w.go.Wait();
            w.wake = w.self->WaitForEventOrMessage(w.wakeEvent);
            return 0;
        },
        &worker);
    worker.self = c.get();
    c->Resume();
    ASSERT_TRUE(worker.queueReady.Wait(kLong));
    ASSERT_TRUE(c->Post(0x8017));
    worker.go.Set();
    ASSERT_TRUE(c->Join(kLong));
    EXPECT_EQ(MessageThread::Wake::Message, worker.wake);
}

// The download thread's loop: wait, take every queued message, then handle a
// set event. A lost wake-up would leave the thread asleep and the join failing.
uint32_t DownloadLoop(void* param) {
    auto& w = *static_cast<Worker*>(param);
    uint32_t replies = 0;
    w.self->CreateQueue();
    w.queueReady.Set();
    for (;;) {
        w.self->WaitForEventOrMessage(w.wakeEvent);
        while (w.self->HasMessages()) {
            if (w.self->GetMessage().message == kQuit) {
                return replies;
            }
        }
        if (w.wakeEvent.Wait(0)) {
            w.wakeEvent.Reset();
            ++replies;
            w.go.Set();  // "reply handled": the test may set the event again
        }
    }
}

TEST(MessageThread, NoWakeIsLostWhenEventsAndMessagesRaceTheWait) {
    Worker worker;
    auto thread = Start(DownloadLoop, worker);
    ASSERT_TRUE(worker.queueReady.Wait(kLong));
    std::thread poster([&] {
        for (int i = 0; i < 300; ++i) {
            worker.self->Post(0x8034);
        }
    });
    constexpr uint32_t kReplies = 300;
    for (uint32_t i = 0; i < kReplies; ++i) {
        worker.go.Reset();
        worker.wakeEvent.Set();
        ASSERT_TRUE(worker.go.Wait(kLong)) << "reply " << i << " was not seen";
    }
    poster.join();
    ASSERT_TRUE(thread->Post(kQuit));
    ASSERT_TRUE(thread->Join(kLong));
    EXPECT_EQ(kReplies, thread->ExitCode());
}

}  // namespace
}  // namespace corvane::platform
