// The Plug and Play manager with a function driver double: loading, AddDevice
// and start on plug, the interface as the program sees it, surprise removal
// on unplug, removal after the last handle, unload after the last device,
// orderly removal, power requests and notifications.
#include <gtest/gtest.h>

#include <mutex>

#include "common/UsbCtrl.h"
#include "platform/kernel/HostedDeviceAccess.h"
#include "platform/kernel/KernelHost.h"
#include "tests/kernel/FunctionDriverDouble.h"
#include "tests/kernel/UsbDeviceDouble.h"

namespace corvane::kernel::test {
namespace {

const std::string kFirstPath =
    "\\\\?\\USB#VID_0547&PID_1002#1#{90247d63-6177-11d4-a797-0040d00a43a5}";

class NotificationRecorder {
public:
    void Record(const std::string& path, bool arrived) {
        std::lock_guard lock(mutex_);
        events_.push_back((arrived ? "+" : "-") + path);
    }
    std::vector<std::string> Events() {
        std::lock_guard lock(mutex_);
        return events_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> events_;
};

class PnpTest : public ::testing::Test {
protected:
    PnpTest() {
        ResetFunctionDriver();
        host.RegisterDriver(&FunctionDriverEntry);
    }

    std::vector<std::string> Pnp() { return FunctionDriverSnapshot().pnp; }

    UsbDeviceDouble device;  // outlives the host, as a plugged device must
    KernelHost host;
    HostedDeviceAccess access{host};
};

TEST_F(PnpTest, PluggingLoadsTheDriverAddsAndStartsTheDevice) {
    EXPECT_FALSE(host.DriverLoaded());
    host.PlugDevice(device);
    FunctionDriverState state = FunctionDriverSnapshot();
    EXPECT_EQ(state.entries, 1);
    EXPECT_EQ(state.addDevices, 1);
    EXPECT_EQ(state.pnp, (std::vector<std::string>{"start", "capabilities", "other"}));
    EXPECT_EQ(host.StateOf(device), DeviceState::Started);
    EXPECT_EQ(device.ConfigurationValue(), 1);
    EXPECT_EQ(access.PresentInterfaces(USBCTRL_GUID), std::vector<std::string>{kFirstPath});
    ASSERT_TRUE(host.Capabilities(device).has_value());
    EXPECT_TRUE(host.Capabilities(device)->Removable);
    EXPECT_TRUE(host.Violations().empty());
}

TEST_F(PnpTest, OpenControlAndCloseGoThroughTheStack) {
    host.PlugDevice(device);
    platform::DeviceHandle handle = access.Open(kFirstPath.c_str());
    ASSERT_NE(handle, platform::kInvalidDeviceHandle);
    uint8_t in[2] = {1, 2};
    uint8_t out[3] = {};
    uint32_t returned = 99;
    EXPECT_TRUE(access.IoControl(handle, kEchoCode, in, 2, out, 3, &returned));
    EXPECT_EQ(returned, 3u);
    EXPECT_EQ(out[0], 2);
    EXPECT_EQ(out[1], 3);
    EXPECT_EQ(out[2], 1);

    uint8_t untouched[4] = {};
    EXPECT_FALSE(access.IoControl(handle, kFailCode, nullptr, 0, untouched, 4, &returned));
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(untouched[0], 0);
    EXPECT_EQ(access.LastStatus(), STATUS_UNSUCCESSFUL);
    access.Close(handle);
    EXPECT_FALSE(access.IoControl(handle, kEchoCode, in, 2, out, 3, &returned));
    EXPECT_EQ(access.LastStatus(), STATUS_INVALID_HANDLE);
}

TEST_F(PnpTest, OpenAcceptsTheKernelFormAndAnyCaseButNoUnknownPath) {
    host.PlugDevice(device);
    std::string lower = "\\??\\usb#vid_0547&pid_1002#1#{90247D63-6177-11D4-A797-0040D00A43A5}";
    platform::DeviceHandle handle = access.Open(lower.c_str());
    EXPECT_NE(handle, platform::kInvalidDeviceHandle);
    access.Close(handle);
    EXPECT_EQ(access.Open("\\\\?\\USB#VID_0547&PID_1002#9#{90247d63-6177-11d4-a797-0040d00a43a5}"),
              platform::kInvalidDeviceHandle);
    EXPECT_EQ(access.LastStatus(), STATUS_OBJECT_NAME_NOT_FOUND);
}

TEST_F(PnpTest, UnplugWithoutHandlesRemovesAndUnloadsAtOnce) {
    host.PlugDevice(device);
    device.Unplug();
    host.WaitForPnpIdle();
    EXPECT_EQ(Pnp(),
              (std::vector<std::string>{"start", "capabilities", "other", "surprise", "remove"}));
    EXPECT_EQ(FunctionDriverSnapshot().unloads, 1);
    EXPECT_FALSE(host.DriverLoaded());
    EXPECT_TRUE(access.PresentInterfaces(USBCTRL_GUID).empty());
    EXPECT_EQ(host.StateOf(device), DeviceState::NotPresent);
    EXPECT_EQ(host.Io().LiveDeviceCount(), 0u);
    EXPECT_EQ(host.Pool().OutstandingTotal(), 0u);
    EXPECT_EQ(host.Io().OutstandingIrps(), 0u);
    EXPECT_TRUE(host.Violations().empty());
}

TEST_F(PnpTest, RemovalWaitsForTheLastHandle) {
    host.PlugDevice(device);
    platform::DeviceHandle first = access.Open(kFirstPath.c_str());
    platform::DeviceHandle second = access.Open(kFirstPath.c_str());
    ASSERT_NE(second, platform::kInvalidDeviceHandle);
    host.UnplugDevice(device);
    EXPECT_EQ(Pnp().back(), "surprise");
    EXPECT_EQ(host.StateOf(device), DeviceState::SurpriseRemoved);
    EXPECT_TRUE(access.PresentInterfaces(USBCTRL_GUID).empty());
    EXPECT_EQ(access.Open(kFirstPath.c_str()), platform::kInvalidDeviceHandle);
    // Requests on old handles still reach the driver.
    uint8_t out[1] = {};
    EXPECT_TRUE(access.IoControl(first, kEchoCode, nullptr, 0, out, 1, nullptr));
    access.Close(first);
    host.WaitForPnpIdle();
    EXPECT_EQ(Pnp().back(), "surprise");
    access.Close(second);
    host.WaitForPnpIdle();
    EXPECT_EQ(Pnp().back(), "remove");
    EXPECT_EQ(FunctionDriverSnapshot().unloads, 1);
    EXPECT_EQ(host.Pool().OutstandingTotal(), 0u);
    EXPECT_TRUE(host.Violations().empty());
}

TEST_F(PnpTest, ReplugAfterUnloadLoadsTheDriverAgain) {
    host.PlugDevice(device);
    device.Unplug();
    device.Replug();
    host.WaitForPnpIdle();
    FunctionDriverState state = FunctionDriverSnapshot();
    EXPECT_EQ(state.entries, 2);
    EXPECT_EQ(state.unloads, 1);
    EXPECT_EQ(host.StateOf(device), DeviceState::Started);
    ASSERT_EQ(access.PresentInterfaces(USBCTRL_GUID).size(), 1u);
    EXPECT_NE(access.PresentInterfaces(USBCTRL_GUID)[0], kFirstPath);  // a new instance
}

TEST_F(PnpTest, DriverStaysUntilItsLastDeviceIsGone) {
    UsbDeviceDouble other(0x0547, 0x1003);
    host.PlugDevice(device);
    host.PlugDevice(other);
    EXPECT_EQ(FunctionDriverSnapshot().entries, 1);
    EXPECT_EQ(access.PresentInterfaces(USBCTRL_GUID).size(), 2u);
    host.UnplugDevice(device);
    EXPECT_TRUE(host.DriverLoaded());
    host.UnplugDevice(other);
    EXPECT_FALSE(host.DriverLoaded());
    EXPECT_EQ(FunctionDriverSnapshot().unloads, 1);
}

TEST_F(PnpTest, FailedStartIsFollowedByRemoval) {
    SetFunctionDriverStartStatus(STATUS_DEVICE_CONFIGURATION_ERROR);
    NotificationRecorder recorder;
    access.RegisterNotification(USBCTRL_GUID, [&](const std::string& path, bool arrived) {
        recorder.Record(path, arrived);
    });
    host.PlugDevice(device);
    EXPECT_EQ(Pnp(), (std::vector<std::string>{"start", "remove"}));
    EXPECT_EQ(host.StateOf(device), DeviceState::NoDriver);
    EXPECT_TRUE(access.PresentInterfaces(USBCTRL_GUID).empty());
    EXPECT_EQ(recorder.Events(), (std::vector<std::string>{"+" + kFirstPath, "-" + kFirstPath}));
    EXPECT_FALSE(host.DriverLoaded());
}

TEST_F(PnpTest, AnOpenWhileTheStartIsInsideTheDriverIsRefused) {
    platform::DeviceHandle during = platform::kInvalidDeviceHandle;
    NTSTATUS refusal = STATUS_SUCCESS;
    SetFunctionDriverStartHook([&] {
        during = access.Open(kFirstPath.c_str());
        refusal = access.LastStatus();
    });
    host.PlugDevice(device);
    EXPECT_EQ(during, platform::kInvalidDeviceHandle);
    EXPECT_EQ(refusal, STATUS_NO_SUCH_DEVICE);
    EXPECT_EQ(host.StateOf(device), DeviceState::Started);
    platform::DeviceHandle after = access.Open(kFirstPath.c_str());
    EXPECT_NE(after, platform::kInvalidDeviceHandle);
    access.Close(after);
}

TEST(PnpKeepFailedStart, FailedStartCanKeepItsStackForTests) {
    ResetFunctionDriver();
    UsbDeviceDouble device;
    KernelHost::Options options;
    options.removeOnFailedStart = false;
    KernelHost host(options);
    host.RegisterDriver(&FunctionDriverEntry);
    SetFunctionDriverStartStatus(STATUS_DEVICE_CONFIGURATION_ERROR);
    host.PlugDevice(device);
    EXPECT_EQ(host.StateOf(device), DeviceState::StartFailed);
    HostedDeviceAccess access(host);
    EXPECT_EQ(access.PresentInterfaces(USBCTRL_GUID), std::vector<std::string>{kFirstPath});
}

TEST_F(PnpTest, OrderlyRemovalQueriesFirstAndIsRefusedWhileHandlesAreOpen) {
    host.PlugDevice(device);
    platform::DeviceHandle handle = access.Open(kFirstPath.c_str());
    EXPECT_EQ(host.RemoveDevice(device), STATUS_DEVICE_BUSY);
    access.Close(handle);
    EXPECT_EQ(host.RemoveDevice(device), STATUS_SUCCESS);
    EXPECT_EQ(Pnp(), (std::vector<std::string>{"start", "capabilities", "other", "query-remove",
                                               "remove"}));
    EXPECT_FALSE(host.DriverLoaded());
    EXPECT_EQ(host.PhysicalDevice(device), nullptr);
}

TEST_F(PnpTest, ShutdownClosesLeftHandlesAndUnloads) {
    host.PlugDevice(device);
    ASSERT_NE(access.Open(kFirstPath.c_str()), platform::kInvalidDeviceHandle);
    host.Shutdown();
    EXPECT_EQ(Pnp().back(), "remove");
    EXPECT_EQ(FunctionDriverSnapshot().unloads, 1);
    EXPECT_EQ(host.Pool().OutstandingTotal(), 0u);
}

TEST_F(PnpTest, PowerRequestsReachTheDriverAndStartTheNextPowerIrp) {
    host.PlugDevice(device);
    POWER_STATE state;
    state.SystemState = PowerSystemSleeping3;
    RequestResult result =
        host.SendPowerRequest(device, IRP_MN_QUERY_POWER, SystemPowerState, state);
    EXPECT_EQ(result.status, STATUS_SUCCESS);
    EXPECT_TRUE(result.startNextPowerCalled);
    EXPECT_EQ(FunctionDriverSnapshot().power, std::vector<std::string>{"query"});
}

TEST_F(PnpTest, PnpRequestsCanBeSentButRemovalIsTheManagers) {
    host.PlugDevice(device);
    EXPECT_EQ(host.SendPnpRequest(device, IRP_MN_QUERY_INTERFACE).status, STATUS_NOT_SUPPORTED);
    EXPECT_EQ(host.SendPnpRequest(device, IRP_MN_REMOVE_DEVICE).status, STATUS_INVALID_PARAMETER);
    EXPECT_EQ(host.SendPnpRequest(device, IRP_MN_START_DEVICE).status, STATUS_SUCCESS);
    EXPECT_EQ(Pnp().back(), "start");
}

TEST_F(PnpTest, NotificationsFollowTheInterfaceAndForeignDevices) {
    const UsbCtrlGuid mouseClass = {
        0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
    NotificationRecorder projector;
    NotificationRecorder mouse;
    access.RegisterNotification(USBCTRL_GUID, [&](const std::string& path, bool arrived) {
        projector.Record(path, arrived);
    });
    int mouseId = access.RegisterNotification(
        mouseClass, [&](const std::string& path, bool arrived) { mouse.Record(path, arrived); });
    host.PlugDevice(device);
    std::string mousePath = host.SimulateForeignDeviceArrival(mouseClass);
    host.UnplugDevice(device);
    EXPECT_EQ(projector.Events(), (std::vector<std::string>{"+" + kFirstPath, "-" + kFirstPath}));
    EXPECT_EQ(mouse.Events(), std::vector<std::string>{"+" + mousePath});
    EXPECT_EQ(access.PresentInterfaces(mouseClass), std::vector<std::string>{mousePath});
    EXPECT_EQ(access.Open(mousePath.c_str()), platform::kInvalidDeviceHandle);
    access.UnregisterNotification(mouseId);
    host.SimulateForeignDeviceRemoval(mousePath);
    EXPECT_EQ(mouse.Events().size(), 1u);
    EXPECT_TRUE(access.PresentInterfaces(mouseClass).empty());
}

TEST_F(PnpTest, NotificationMayOpenTheArrivingInterface) {
    platform::DeviceHandle opened = platform::kInvalidDeviceHandle;
    access.RegisterNotification(USBCTRL_GUID, [&](const std::string& path, bool arrived) {
        if (arrived) {
            opened = access.Open(path.c_str());
        }
    });
    host.PlugDevice(device);
    ASSERT_NE(opened, platform::kInvalidDeviceHandle);
    access.Close(opened);
}

}  // namespace
}  // namespace corvane::kernel::test
