// The device link over a scripted device access: what the hosted system
// cannot easily produce (very long interface paths, notices of other classes
// and paths, the registrations themselves).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "app/device/ProjectorDeviceLink.h"
#include "app/ui/ControlIds.h"
#include "platform/DeviceNotifications.h"
#include "tests/platform/TempFolder.h"
#include "tests/ui/RecordingWindow.h"

namespace corvane::test {
namespace {

// Answers the product information with a configuration string; writes
// succeed and reads fail at once, as from a device that has just gone.
class ScriptedDeviceAccessDouble : public platform::DeviceAccess {
public:
    std::vector<std::string> PresentInterfaces(const UsbCtrlGuid& interfaceClass) override {
        std::lock_guard lock(mutex_);
        return UsbCtrlGuidEqual(interfaceClass, USBCTRL_GUID) ? paths : std::vector<std::string>{};
    }
    platform::DeviceHandle Open(const char* path) override {
        std::lock_guard lock(mutex_);
        opened.emplace_back(path);
        return 7;
    }
    bool IoControl(platform::DeviceHandle, uint32_t code, const void*, uint32_t, void* out,
                   uint32_t outSize, uint32_t*) override {
        std::lock_guard lock(mutex_);
        if (code == IOCTRL_GET_PRODUCT_INFO && outSize >= sizeof(USBCTRL_PRODUCT_INFO)) {
            auto* info = static_cast<USBCTRL_PRODUCT_INFO*>(out);
            std::copy(configuration.begin(), configuration.end(), info->Configuration);
            return true;
        }
        return code == IOCTRL_WRITE_DATA;
    }
    void Close(platform::DeviceHandle) override {
        std::lock_guard lock(mutex_);
        ++closes;
    }

    std::mutex mutex_;
    std::vector<std::string> paths;
    std::u16string configuration = u"Projector Flash";
    std::vector<std::string> opened;
    int closes = 0;
};

class NotificationsDouble : public platform::DeviceNotifications {
public:
    platform::DeviceNotifyHandle Register(platform::WindowMessageQueue&,
                                          const UsbCtrlGuid& interfaceClass) override {
        registered.push_back(interfaceClass);
        return registered.size();
    }
    bool Unregister(platform::DeviceNotifyHandle handle) override {
        unregistered.push_back(handle);
        return true;
    }
    std::vector<UsbCtrlGuid> registered;
    std::vector<platform::DeviceNotifyHandle> unregistered;
};

class DeviceLinkTest : public ::testing::Test {
protected:
    void Run(std::function<void()> story) {
        ApplicationPlatform platform;
        platform.settingsFile = folder.File("Settings.reg");
        DeviceLinkMaker maker = MakeProjectorDeviceLink(notifications);
        application = std::make_unique<Application>(
            windows, access,
            [this, maker](Application& app) {
                auto link = maker(app);
                link_ = static_cast<ProjectorDeviceLink*>(link.get());
                return link;
            },
            platform);
        windows.ScriptModal(kMainTemplateId, [story](RecordingWindow&) { story(); });
        application->Run();
    }
    void Post(uint32_t event, const UsbCtrlGuid& interfaceClass, const std::string& path) {
        application->MainWindowQueue().Post(
            platform::kWindowDeviceChange, event,
            platform::MakeDeviceInterfaceNotice(interfaceClass, path.c_str()));
        windows.PumpMainQueue();
    }
    bool Connected() { return link_ != nullptr && link_->HasOpenDevice(0); }
    int Closes() {
        std::lock_guard lock(access.mutex_);
        return access.closes;
    }

    platform::test::TempFolder folder;
    RecordingWindowFactory windows;
    ScriptedDeviceAccessDouble access;
    NotificationsDouble notifications;
    std::unique_ptr<Application> application;
    ProjectorDeviceLink* link_ = nullptr;
};

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

TEST_F(DeviceLinkTest, RegistersTheInterfaceThenTheHidClassAndUnregistersAtClose) {
    Run([this] {
        ASSERT_EQ(notifications.registered.size(), 2u);
        EXPECT_TRUE(UsbCtrlGuidEqual(notifications.registered[0], USBCTRL_GUID));
        EXPECT_TRUE(UsbCtrlGuidEqual(notifications.registered[1], platform::kHidClassGuid));
        EXPECT_TRUE(notifications.unregistered.empty());
    });
    EXPECT_EQ(notifications.unregistered, (std::vector<platform::DeviceNotifyHandle>{1, 2}));
}

TEST_F(DeviceLinkTest, ALongPathIsKeptWholeAndItsRemovalMatchesWithoutCase) {
    const std::string path = "\\\\?\\usb#vid_1209&pid_0001#" + std::string(180, 'k') + "#{x}";
    access.paths = {path};
    Run([&] {
        windows.PumpMainQueue();
        ASSERT_TRUE(Connected());
        EXPECT_EQ(std::string(application->Engine().devices[0].devicePath), path);
        // Not ours: another class, another path, a path cut at 100.
        Post(platform::kDeviceRemoveCompleteEvent, platform::kHidClassGuid, path);
        Post(platform::kDeviceRemoveCompleteEvent, USBCTRL_GUID, path + "2");
        Post(platform::kDeviceRemoveCompleteEvent, USBCTRL_GUID, path.substr(0, 100));
        EXPECT_TRUE(Connected());
        Post(platform::kDeviceRemoveCompleteEvent, USBCTRL_GUID, Upper(path));
        EXPECT_FALSE(Connected());
        EXPECT_EQ(Closes(), 1);
        EXPECT_EQ(application->Engine().devices[0].job, nullptr);
    });
    // Lost while identifying: no message.
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(DeviceLinkTest, APathThatDoesNotFitIsRefusedWithOneBox) {
    const std::string path = "\\\\?\\usb#" + std::string(300, 'z');
    access.paths = {path};
    Run([&] {
        windows.PumpMainQueue();
        Post(platform::kDeviceArrivalEvent, platform::kHidClassGuid, "\\\\?\\hid#mouse");
        EXPECT_FALSE(Connected());
    });
    EXPECT_TRUE(access.opened.empty());
    ASSERT_EQ(windows.MessageBoxes().size(), 1u);
    EXPECT_NE(windows.MessageBoxes()[0].text.find(path), std::string::npos);
    EXPECT_EQ(windows.MessageBoxes()[0].caption, "Corvane");
}

TEST_F(DeviceLinkTest, AControlModeDeviceIsOpenedQueriedAndClosed) {
    access.paths = {"\\\\?\\usb#control"};
    access.configuration = u"Projector Control";
    Run([&] {
        windows.PumpMainQueue();
        EXPECT_FALSE(Connected());
        EXPECT_EQ(access.opened.size(), 1u);
        EXPECT_EQ(Closes(), 1);
    });
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(DeviceLinkTest, ASecondProjectorListedFirstIsIgnoredWhileTheSlotIsInUse) {
    access.paths = {"\\\\?\\usb#first"};
    Run([&] {
        windows.PumpMainQueue();
        ASSERT_TRUE(Connected());
        {
            std::lock_guard lock(access.mutex_);
            access.paths = {"\\\\?\\usb#second", "\\\\?\\usb#first"};
        }
        Post(platform::kDeviceArrivalEvent, USBCTRL_GUID, "\\\\?\\usb#second");
        EXPECT_TRUE(Connected());
        EXPECT_STREQ(application->Engine().devices[0].devicePath, "\\\\?\\usb#first");
        std::lock_guard lock(access.mutex_);
        EXPECT_EQ(access.opened, std::vector<std::string>{"\\\\?\\usb#first"});
    });
}

TEST_F(DeviceLinkTest, OnlyTheFirstInterfaceIsLookedAt) {
    access.paths = {"\\\\?\\usb#control", "\\\\?\\usb#flash"};
    access.configuration = u"Projector Control";
    Run([&] {
        windows.PumpMainQueue();
        EXPECT_EQ(access.opened, std::vector<std::string>{"\\\\?\\usb#control"});
    });
}

}  // namespace
}  // namespace corvane::test
