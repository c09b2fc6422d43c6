// The main window's posted messages: delivered in order from other threads,
// in the main window's loop and in every modal loop opened meanwhile, and the
// modal runs ending with the result their handler gives.
#include <gtest/gtest.h>

#include <thread>

#include "app/ui/DialogTemplates.h"
#include "app/ui/win32/Win32WindowFactory.h"
#include "platform/WindowMessageQueue.h"
#include "tests/win32ui/Win32WindowTestSupport.h"
// After the program's headers.
#include "app/ui/win32/WindowsApi.h"

namespace corvane::win32 {
namespace {

using test::RecordingHandlerDouble;

constexpr uint32_t kNumbered = 0x8100;  // wParam: the sequence number
constexpr uint32_t kLast = 0x8101;
constexpr int kPosts = 300;

class Win32MainQueuePumpTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::CanCreateWindows()) {
            GTEST_SKIP() << "no display for windows in this session";
        }
    }
    Win32WindowFactory factory_{GetModuleHandleA(nullptr)};
    platform::WindowMessageQueue queue_;
    RecordingHandlerDouble main_;
};

TEST_F(Win32MainQueuePumpTest, PostsFromAnotherThreadArriveInOrderThroughANestedModalLoop) {
    RecordingHandlerDouble about;
    DialogWindow* aboutWindow = nullptr;
    about.onInit = [&](DialogWindow& window) { aboutWindow = &window; };
    std::vector<platform::WParam> order;
    std::vector<bool> duringNested;
    bool nested = false;
    std::thread poster;
    main_.onInit = [&](DialogWindow&) {
        poster = std::thread([this] {
            for (int index = 0; index < kPosts; ++index) {
                queue_.Post(kNumbered, static_cast<platform::WParam>(index));
            }
            queue_.Post(kLast);
        });
    };
    main_.onMessage = [&](uint32_t message, platform::WParam wParam, platform::LParam) {
        if (message == kNumbered) {
            order.push_back(wParam);
            duringNested.push_back(nested);
            if (wParam == 10) {
                // A modal dialog opened while delivering: the rest keeps coming.
                nested = true;
                const int result = factory_.RunModal(AboutDialogTemplate(), about, main_.Window());
                nested = false;
                EXPECT_EQ(result, 7);
            } else if (wParam == 200 && aboutWindow != nullptr) {
                aboutWindow->EndDialog(7);
            }
        } else if (message == kLast) {
            main_.Window()->EndDialog(3);
        }
        return MessageResult{true, 0};
    };
    factory_.ConnectMainQueue(&queue_, &main_);
    const int result = factory_.RunModal(MainWindowTemplate(), main_, nullptr);
    factory_.ConnectMainQueue(nullptr, nullptr);
    poster.join();
    EXPECT_EQ(result, 3);
    ASSERT_EQ(order.size(), static_cast<size_t>(kPosts));
    for (int index = 0; index < kPosts; ++index) {
        EXPECT_EQ(order[static_cast<size_t>(index)], static_cast<platform::WParam>(index));
    }
    EXPECT_TRUE(duringNested[11]) << "delivered inside the About box's loop";
    EXPECT_TRUE(duringNested[200]);
    EXPECT_FALSE(duringNested[201]);
    EXPECT_EQ(factory_.FindLiveWindow(kMainTemplateId), nullptr) << "destroyed after the run";
}

TEST_F(Win32MainQueuePumpTest, MessagesPostedBeforeTheWindowExistsAreDeliveredOnceItDoes) {
    queue_.Post(kNumbered, 1);
    queue_.Post(kNumbered, 2);
    queue_.Post(kLast);
    std::vector<platform::WParam> seen;
    main_.onMessage = [&](uint32_t message, platform::WParam wParam, platform::LParam) {
        if (message == kLast) {
            main_.Window()->EndDialog(kIdOk);
        } else {
            seen.push_back(wParam);
        }
        return MessageResult{true, 0};
    };
    factory_.ConnectMainQueue(&queue_, &main_);
    EXPECT_EQ(factory_.RunModal(MainWindowTemplate(), main_, nullptr), kIdOk);
    factory_.ConnectMainQueue(nullptr, nullptr);
    EXPECT_EQ(seen, (std::vector<platform::WParam>{1, 2}));
}

// Everything is queued before the run: the About box opened while one message
// is delivered still delivers the rest, with nothing posted anew to wake it.
TEST_F(Win32MainQueuePumpTest, QueuedMessagesReachANestedLoopWithoutNewPosts) {
    for (int index = 0; index < 20; ++index) {
        queue_.Post(kNumbered, static_cast<platform::WParam>(index));
    }
    queue_.Post(kLast);
    RecordingHandlerDouble about;
    std::vector<platform::WParam> insideAbout;
    bool nested = false;
    main_.onMessage = [&](uint32_t message, platform::WParam wParam, platform::LParam) {
        if (message == kLast) {
            main_.Window()->EndDialog(kIdOk);
        } else if (wParam == 5) {
            nested = true;
            factory_.RunModal(AboutDialogTemplate(), about, main_.Window());
            nested = false;
        } else if (nested) {
            insideAbout.push_back(wParam);
            if (wParam == 15) {
                about.Window()->EndDialog(kIdOk);
            }
        }
        return MessageResult{true, 0};
    };
    factory_.ConnectMainQueue(&queue_, &main_);
    EXPECT_EQ(factory_.RunModal(MainWindowTemplate(), main_, nullptr), kIdOk);
    factory_.ConnectMainQueue(nullptr, nullptr);
    ASSERT_FALSE(insideAbout.empty());
    EXPECT_EQ(insideAbout.front(), 6u);
    EXPECT_EQ(insideAbout.back(), 15u);
    EXPECT_EQ(insideAbout.size(), 10u);
}

TEST_F(Win32MainQueuePumpTest, OwnPostsOfAnyWindowKeepTheirOrder) {
    RecordingHandlerDouble password;
    password.onInit = [](DialogWindow& window) {
        window.PostToWindow(kNumbered, 1, 0);
        window.PostToWindow(kNumbered, 2, 0);
        window.PostToWindow(kLast, 0, 0);
    };
    password.onMessage = [&password](uint32_t message, platform::WParam, platform::LParam) {
        if (message == kLast) {
            password.Window()->EndDialog(kIdCancel);
        }
        return MessageResult{true, 0};
    };
    EXPECT_EQ(factory_.RunModal(PasswordDialogTemplate(), password, nullptr), kIdCancel);
    ASSERT_EQ(password.messages.size(), 3u);
    EXPECT_EQ(password.messages[0].wParam, 1u);
    EXPECT_EQ(password.messages[1].wParam, 2u);
    EXPECT_EQ(password.messages[2].message, kLast);
}

TEST_F(Win32MainQueuePumpTest, ModalRunDisablesItsOwnerUntilItEnds) {
    bool ownerEnabledDuring = true;
    RecordingHandlerDouble config;
    std::unique_ptr<DialogWindow> owner =
        factory_.CreateModeless(AdvancedDialogTemplate(), main_, nullptr);
    HWND ownerHwnd = static_cast<HWND>(static_cast<Win32DialogWindow&>(*owner).Handle());
    config.onInit = [&](DialogWindow& window) { window.PostToWindow(kLast, 0, 0); };
    config.onMessage = [&](uint32_t, platform::WParam, platform::LParam) {
        ownerEnabledDuring = IsWindowEnabled(ownerHwnd) != FALSE;
        config.Window()->EndDialog(kIdOk);
        return MessageResult{true, 0};
    };
    EXPECT_EQ(factory_.RunModal(ConfigDialogTemplate(), config, owner.get()), kIdOk);
    EXPECT_FALSE(ownerEnabledDuring);
    EXPECT_TRUE(IsWindowEnabled(ownerHwnd));
}

TEST_F(Win32MainQueuePumpTest, DeviceChangeIsQueuedWithACopiedNotice) {
    main_.onInit = [](DialogWindow& window) { window.PostToWindow(kLast, 0, 0); };
    platform::LParam notice = -1;
    main_.onMessage = [&](uint32_t message, platform::WParam, platform::LParam lParam) {
        if (message == kLast) {
            HWND hwnd =
                static_cast<HWND>(static_cast<Win32DialogWindow*>(main_.Window())->Handle());
            // A volume arrival (no interface record) and a query that is not
            // the link's business.
            struct {
                DWORD size = 12, type = 2, reserved = 0;
            } volume;
            SendMessageA(hwnd, WM_DEVICECHANGE, 0x8000, reinterpret_cast<LPARAM>(&volume));
            SendMessageA(hwnd, WM_DEVICECHANGE, 0x8001, reinterpret_cast<LPARAM>(&volume));
            queue_.Post(kNumbered, 0);
        } else if (message == 0x0219) {
            notice = lParam;
        } else if (message == kNumbered) {
            main_.Window()->EndDialog(kIdOk);
        }
        return MessageResult{true, 0};
    };
    factory_.ConnectMainQueue(&queue_, &main_);
    factory_.RunModal(MainWindowTemplate(), main_, nullptr);
    factory_.ConnectMainQueue(nullptr, nullptr);
    size_t changes = 0;
    for (const platform::Message& message : main_.messages) {
        changes += message.message == 0x0219 ? 1 : 0;
    }
    EXPECT_EQ(changes, 1u) << "only the arrival is passed on";
    EXPECT_EQ(notice, 0) << "a volume carries no interface notice";
}

}  // namespace
}  // namespace corvane::win32
