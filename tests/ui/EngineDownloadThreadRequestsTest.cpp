// The main window's requests reach the download thread of slot 0's job.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/engine/DownloadJob.h"
#include "app/engine/EngineContext.h"
#include "app/ui/DownloadThreadRequests.h"
#include "app/ui/WindowMessages.h"

namespace corvane::test {
namespace {

struct Received {
    platform::MessageThread* thread = nullptr;
    std::atomic<bool> queueReady{false};
    std::vector<uint32_t> messages;  // read after the join
};

uint32_t RecordUntilQuit(void* param) {
    auto* received = static_cast<Received*>(param);
    received->thread->CreateQueue();
    received->queueReady = true;
    for (;;) {
        const platform::Message message = received->thread->GetMessage();
        if (message.message == TM_QUIT) {
            return 0;
        }
        received->messages.push_back(message.message);
    }
}

TEST(EngineDownloadThreadRequestsTest, NoJobNoThreadRefuses) {
    EngineContext engine;
    EngineDownloadThreadRequests requests(engine);
    EXPECT_FALSE(requests.Post(TM_DOWNLOAD));
    DownloadJob job(&engine);
    engine.devices[0].job = &job;
    EXPECT_FALSE(requests.Post(TM_DOWNLOAD));  // a job whose thread is not made yet
    engine.devices[0].job = nullptr;
}

TEST(EngineDownloadThreadRequestsTest, PostsToTheJobsThreadInOrder) {
    EngineContext engine;
    DownloadJob job(&engine);
    Received received;
    job.thread = platform::MessageThread::StartSuspended(RecordUntilQuit, &received);
    ASSERT_NE(job.thread, nullptr);
    received.thread = job.thread.get();
    job.thread->Resume();
    while (!received.queueReady) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    engine.devices[0].job = &job;
    EngineDownloadThreadRequests requests(engine);
    EXPECT_TRUE(requests.Post(TM_DOWNLOAD));
    EXPECT_TRUE(requests.Post(TM_STOP));
    ASSERT_TRUE(job.thread->Post(TM_QUIT));
    ASSERT_TRUE(job.thread->Join(5000));
    EXPECT_EQ(received.messages, (std::vector<uint32_t>{TM_DOWNLOAD, TM_STOP}));
    engine.devices[0].job = nullptr;
}

}  // namespace
}  // namespace corvane::test
