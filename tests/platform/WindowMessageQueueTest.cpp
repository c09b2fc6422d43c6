#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/WindowMessageQueue.h"

namespace corvane::platform {
namespace {

TEST(WindowMessageQueue, TakeFromAnEmptyQueueTimesOut) {
    WindowMessageQueue queue;
    Message message;
    EXPECT_TRUE(queue.Empty());
    EXPECT_FALSE(queue.Take(message));
    EXPECT_FALSE(queue.Take(message, 10));
}

TEST(WindowMessageQueue, MessagesComeOutInPostingOrderWithTheirParameters) {
    WindowMessageQueue queue;
    queue.Post(0x8004, 1012, -5);
    queue.Post(0x8002);
    queue.Post(0x8005, 0xFFFFFFFF, 0);
    Message m;
    ASSERT_TRUE(queue.Take(m));
    EXPECT_EQ(0x8004u, m.message);
    EXPECT_EQ(1012u, m.wParam);
    EXPECT_EQ(-5, m.lParam);
    ASSERT_TRUE(queue.Take(m));
    EXPECT_EQ(0x8002u, m.message);
    EXPECT_EQ(0u, m.wParam);
    ASSERT_TRUE(queue.Take(m));
    EXPECT_EQ(0xFFFFFFFFu, m.wParam);
    EXPECT_TRUE(queue.Empty());
}

TEST(WindowMessageQueue, EachPostersOrderIsKeptAcrossThreads) {
    WindowMessageQueue queue;
    constexpr int kThreads = 4;
    constexpr int kPerThread = 500;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&queue, t] {
            for (int i = 0; i < kPerThread; ++i) {
                queue.Post(0x8004, static_cast<WParam>(i), t);
            }
        });
    }
    std::vector<int> next(kThreads, 0);
    Message m;
    for (int n = 0; n < kThreads * kPerThread; ++n) {
        ASSERT_TRUE(queue.Take(m, WindowMessageQueue::kInfinite));
        ASSERT_EQ(static_cast<WParam>(next[m.lParam]), m.wParam) << "poster " << m.lParam;
        ++next[m.lParam];
    }
    for (auto& poster : posters) {
        poster.join();
    }
    EXPECT_TRUE(queue.Empty());
}

TEST(WindowMessageQueue, WakeHandlerRunsOnThePostingThreadAfterTheMessageIsQueued) {
    WindowMessageQueue queue;
    std::thread::id wokenOn;
    int wakes = 0;
    bool queuedWhenWoken = false;
    queue.SetWakeHandler([&] {
        wokenOn = std::this_thread::get_id();
        queuedWhenWoken = !queue.Empty();
        ++wakes;
    });
    std::thread poster([&] { queue.Post(0x8002); });
    const auto posterId = poster.get_id();
    poster.join();
    EXPECT_EQ(posterId, wokenOn);
    EXPECT_TRUE(queuedWhenWoken);
    queue.Post(0x8003);
    EXPECT_EQ(2, wakes);
}

TEST(WindowMessageQueue, BlockingTakeReturnsWhenAnotherThreadPosts) {
    WindowMessageQueue queue;
    std::thread poster([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        queue.Post(0x8001, 7);
    });
    Message m;
    ASSERT_TRUE(queue.Take(m, WindowMessageQueue::kInfinite));
    EXPECT_EQ(0x8001u, m.message);
    EXPECT_EQ(7u, m.wParam);
    poster.join();
}

}  // namespace
}  // namespace corvane::platform
