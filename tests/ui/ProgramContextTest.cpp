#include "app/ui/ProgramContext.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "app/ui/WindowMessages.h"

namespace corvane {
namespace {

TEST(ProgramContext, StartsEmptyAndPostingWithoutAQueueLosesNothingButTheMessage) {
    ProgramContext context;
    EXPECT_EQ(context.mainWindow, nullptr);
    EXPECT_EQ(context.settingsKey, nullptr);
    EXPECT_EQ(context.mainWindowQueue, nullptr);
    EXPECT_FALSE(PostToMainWindow(context, WM_OPERATION_DONE));
    // The text is freed here; ASan would report a leak otherwise.
    EXPECT_FALSE(PostTextToMainWindow(context, WM_SET_CONTROL_TEXT, 1012, CopyText("lost")));
    DebugPrint(context, "silent without a sink");
}

TEST(ProgramContext, PostedTextArrivesAndBelongsToTheReceiver) {
    platform::WindowMessageQueue queue;
    ProgramContext context;
    context.mainWindowQueue = &queue;

    EXPECT_TRUE(PostToMainWindow(context, WM_SET_PROGRESS, static_cast<platform::WParam>(-1)));
    EXPECT_TRUE(PostTextToMainWindow(context, WM_SET_CONTROL_TEXT, 1014, CopyText("PJX2000-A1")));

    platform::Message message;
    ASSERT_TRUE(queue.Take(message));
    EXPECT_EQ(message.message, WM_SET_PROGRESS);
    EXPECT_EQ(static_cast<int32_t>(message.wParam), kProgressShow);
    ASSERT_TRUE(queue.Take(message));
    EXPECT_EQ(message.message, WM_SET_CONTROL_TEXT);
    EXPECT_EQ(message.wParam, 1014u);
    OwnedText text = TakePostedText(message.lParam);
    EXPECT_STREQ(text.get(), "PJX2000-A1");
}

TEST(ProgramContext, UndeliveredTextsAreFreedWhenDiscarded) {
    platform::WindowMessageQueue queue;
    ProgramContext context;
    context.mainWindowQueue = &queue;
    PostTextToMainWindow(context, WM_SET_CONTROL_TEXT, 1012, CopyText("Connected"));
    PostToMainWindow(context, WM_OPERATION_DONE);
    platform::Message message;
    int discarded = 0;
    while (queue.Take(message)) {
        DiscardPostedMessage(message);  // ASan reports the text if it is not freed
        ++discarded;
    }
    EXPECT_EQ(discarded, 2);
}

TEST(ProgramContext, WorkerThreadsPostThroughASharedContextInOrder) {
    platform::WindowMessageQueue queue;
    ProgramContext context;
    context.mainWindowQueue = &queue;
    std::vector<std::string> debug;
    context.debugOutput.SetSink([&debug](const char* text) { debug.emplace_back(text); });

    std::thread worker([&context] {
        for (int i = 0; i < 100; ++i) {
            PostTextToMainWindow(context, WM_SET_CONTROL_TEXT, 1012,
                                 CopyText(std::to_string(i).c_str()));
        }
    });
    worker.join();
    DebugPrint(context, "joined");

    platform::Message message;
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(queue.Take(message));
        EXPECT_STREQ(TakePostedText(message.lParam).get(), std::to_string(i).c_str());
    }
    EXPECT_TRUE(queue.Empty());
    EXPECT_EQ(debug, std::vector<std::string>{"joined"});
}

}  // namespace
}  // namespace corvane
