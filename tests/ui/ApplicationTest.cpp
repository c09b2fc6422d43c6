// The application's start-up and shutdown around the main window's modal run.
#include <gtest/gtest.h>

#include <cstring>

#include "app/ui/Application.h"
#include "app/ui/ControlIds.h"
#include "app/ui/MainWindowRecordOps.h"
#include "app/ui/WindowMessages.h"
#include "tests/platform/TempFolder.h"
#include "tests/ui/DeviceLinkDouble.h"
#include "tests/ui/RecordingWindow.h"

namespace corvane::test {
namespace {

class NoDevices : public platform::DeviceAccess {
public:
    std::vector<std::string> PresentInterfaces(const UsbCtrlGuid&) override { return {}; }
    platform::DeviceHandle Open(const char*) override { return platform::kInvalidDeviceHandle; }
    bool IoControl(platform::DeviceHandle, uint32_t, const void*, uint32_t, void*, uint32_t,
                   uint32_t*) override {
        return false;
    }
    void Close(platform::DeviceHandle) override {}
};

class ApplicationTest : public ::testing::Test {
protected:
    ApplicationPlatform Platform() {
        ApplicationPlatform platform;
        platform.settingsFile = folder.File("Settings.reg");
        platform.initializeCom = [this] {
            order.push_back("com");
            return comWorks;
        };
        platform.uninitializeCom = [this] { order.push_back("uncom"); };
        return platform;
    }
    DeviceLinkMaker Maker() {
        return [this](Application&) {
            auto made = std::make_unique<DeviceLinkDouble>();
            link_ = made.get();
            return made;
        };
    }

    platform::test::TempFolder folder;
    RecordingWindowFactory windows;
    NoDevices devices;
    DeviceLinkDouble* link_ = nullptr;
    std::vector<std::string> order;
    bool comWorks = true;
};

TEST_F(ApplicationTest, RunsTheMainWindowAndSavesTheSettingsAtClose) {
    Application application(windows, devices, Maker(), Platform());
    application.Engine().devices[0].deviceHandle = 42;
    std::strcpy(application.Engine().devices[0].devicePath, "stale");
    windows.ScriptModal(kMainTemplateId, [&](RecordingWindow& window) {
        EXPECT_EQ(application.Engine().devices[0].deviceHandle, platform::kInvalidDeviceHandle);
        EXPECT_STREQ(application.Engine().devices[0].devicePath, "");
        EXPECT_EQ(application.Program().mainWindow, &application.Main().Record());
        EXPECT_EQ(application.Engine().mainWindow, &application.Main().Record());
        EXPECT_NE(application.Program().settingsKey, nullptr);
        EXPECT_EQ(window.Caption(), "Corvane v1.6");
        windows.PumpMainQueue();
        EXPECT_EQ(link_->calls, (std::vector<std::string>{"register", "change:32768:0"}));
        application.Main().Record().ShowCompletionMessageBox = 1;
        application.Main().Record().VerifyDownloads = 1;
        SetDldPath(application.Main().Record(), CopyText("/lists/"));
        order.push_back("run");
        // A text posted by a thread as the window closes is freed, not lost.
        PostTextToMainWindow(application.Program(), WM_SET_CONTROL_TEXT, MainWindowIds::kStatus,
                             CopyText("late"));
    });
    EXPECT_EQ(application.Run(), 0);
    EXPECT_EQ(order, (std::vector<std::string>{"com", "run", "uncom"}));
    EXPECT_EQ(windows.ModalRuns(), (std::vector<int>{kMainTemplateId}));
    EXPECT_EQ(application.Program().settingsKey, nullptr);
    EXPECT_EQ(application.Program().mainWindow, nullptr);

    auto key = platform::SettingsKey::OpenOrCreate(folder.File("Settings.reg"));
    ASSERT_NE(key, nullptr);
    uint32_t value = 0;
    uint32_t size = sizeof(value);
    ASSERT_TRUE(key->Query("Show Completion Message Box", &value, &size));
    EXPECT_EQ(value, 1u);
    ASSERT_TRUE(key->Query(nullptr, &value, &size));  // Verify Downloads
    EXPECT_EQ(value, 1u);
    char text[100] = {};
    size = sizeof(text);
    ASSERT_TRUE(key->Query(".DLD Path", text, &size));
    EXPECT_STREQ(text, "/lists/");
}

TEST_F(ApplicationTest, SettingsOfTheLastRunAreReadAtTheNext) {
    {
        Application first(windows, devices, Maker(), Platform());
        windows.ScriptModal(kMainTemplateId, [&](RecordingWindow&) {
            first.Main().Record().EnableFileSelection = 0;
        });
        first.Run();
    }
    Application second(windows, devices, Maker(), Platform());
    bool selectFiles = true;
    windows.ScriptModal(kMainTemplateId, [&](RecordingWindow& window) {
        selectFiles = window.Enabled(MainWindowIds::kSelectFiles);
    });
    second.Run();
    EXPECT_FALSE(selectFiles);
}

TEST_F(ApplicationTest, ComFailureEndsWithoutTheWindow) {
    comWorks = false;
    Application application(windows, devices, Maker(), Platform());
    EXPECT_EQ(application.Run(), 1);
    ASSERT_EQ(windows.MessageBoxes().size(), 1u);
    const MessageBoxRecord& box = windows.MessageBoxes()[0];
    EXPECT_EQ(box.text, "Error initializing COM");
    EXPECT_EQ(box.caption, "Corvane");
    EXPECT_EQ(box.icon, MessageBoxIcon::Error);
    EXPECT_TRUE(box.systemModal);
    EXPECT_TRUE(windows.ModalRuns().empty());
    EXPECT_EQ(order, (std::vector<std::string>{"com"}));
    EXPECT_TRUE(folder.Names().empty());  // the settings key was never opened
}

TEST_F(ApplicationTest, AnUnopenableSettingsKeyRunsOnDefaults) {
    ApplicationPlatform platform = Platform();
    folder.Write("file", "x");
    platform.settingsFile = folder.File("file") + "/below/Settings.reg";
    Application application(windows, devices, Maker(), platform);
    bool configEnabled = false;
    windows.ScriptModal(kMainTemplateId, [&](RecordingWindow& window) {
        EXPECT_EQ(application.Program().settingsKey, nullptr);
        configEnabled = window.Enabled(MainWindowIds::kConfig);
    });
    EXPECT_EQ(application.Run(), 0);
    EXPECT_TRUE(configEnabled);
}

}  // namespace
}  // namespace corvane::test
