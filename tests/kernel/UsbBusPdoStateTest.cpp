// The Plug and Play state of a hosted USB device's physical device object:
// which requests move it where, when it serves URBs, and the record of the
// requests that reached it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/UsbCtrl.h"
#include "platform/kernel/HostedDeviceAccess.h"
#include "platform/kernel/KernelHost.h"
#include "platform/kernel/UsbBus.h"
#include "tests/kernel/FunctionDriverDouble.h"
#include "tests/kernel/PdoRequests.h"
#include "tests/kernel/UsbDeviceDouble.h"

namespace corvane::kernel::test {
namespace {

KernelHost::Options OnGeneration(WindowsGeneration generation) {
    KernelHost::Options options;
    options.generation = generation;
    return options;
}

struct StateCase {
    const char* name;
    std::vector<UCHAR> minors;  // sent to the bare physical device object, in order
    UsbPdoState state;
    NTSTATUS urb;        // what a descriptor request gets afterwards
    NTSTATUS urbOn2000;  // the same on 2000, whose hub serves a device it enumerated
};

void PrintTo(const StateCase& c, std::ostream* out) {
    *out << c.name;
}

class PdoStateTable : public ::testing::TestWithParam<StateCase> {};

TEST_P(PdoStateTable, RequestsMoveTheStateAndDecideWhetherUrbsAreServed) {
    const StateCase& c = GetParam();
    for (WindowsGeneration generation : {WindowsGeneration::WinXp, WindowsGeneration::Win2000}) {
        SCOPED_TRACE(generation == WindowsGeneration::WinXp ? "XP" : "2000");
        UsbDeviceDouble device;
        KernelHost host(OnGeneration(generation));
        host.PlugDevice(device);  // no function driver: nothing else reaches the device object
        PDEVICE_OBJECT pdo = host.PhysicalDevice(device);
        ASSERT_NE(pdo, nullptr);
        for (UCHAR minor : c.minors) {
            // The bus driver answers each of them with success, a lone cancel too.
            EXPECT_EQ(SendPnpToPdo(host, pdo, minor), STATUS_SUCCESS) << int(minor);
        }
        UsbPdoRecord record = host.Bus().PdoRecordOf(device);
        EXPECT_EQ(record.state, c.state);
        EXPECT_EQ(record.pnp, c.minors);
        EXPECT_EQ(ReadDeviceDescriptorFromPdo(pdo),
                  generation == WindowsGeneration::WinXp ? c.urb : c.urbOn2000);
        EXPECT_TRUE(host.Violations().empty());
    }
}

constexpr UCHAR kStart = IRP_MN_START_DEVICE;
constexpr UCHAR kQueryStop = IRP_MN_QUERY_STOP_DEVICE;
constexpr UCHAR kStop = IRP_MN_STOP_DEVICE;
constexpr UCHAR kCancelStop = IRP_MN_CANCEL_STOP_DEVICE;
constexpr UCHAR kQueryRemove = IRP_MN_QUERY_REMOVE_DEVICE;
constexpr UCHAR kCancelRemove = IRP_MN_CANCEL_REMOVE_DEVICE;
constexpr UCHAR kSurprise = IRP_MN_SURPRISE_REMOVAL;
constexpr UCHAR kRemove = IRP_MN_REMOVE_DEVICE;
constexpr NTSTATUS kServed = STATUS_SUCCESS;
constexpr NTSTATUS kNotReady = STATUS_DEVICE_NOT_READY;
constexpr NTSTATUS kGone = STATUS_DEVICE_NOT_CONNECTED;

INSTANTIATE_TEST_SUITE_P(
    States, PdoStateTable,
    ::testing::Values(
        StateCase{"Enumerated", {}, UsbPdoState::NotStarted, kNotReady, kServed},
        StateCase{"Started", {kStart}, UsbPdoState::Started, kServed, kServed},
        StateCase{"QueryStop", {kStart, kQueryStop}, UsbPdoState::StopPending, kServed, kServed},
        StateCase{"Stopped", {kStart, kQueryStop, kStop}, UsbPdoState::Stopped, kNotReady, kServed},
        StateCase{"CancelStop",
                  {kStart, kQueryStop, kCancelStop},
                  UsbPdoState::Started,
                  kServed,
                  kServed},
        StateCase{"CancelStopWithoutQuery",
                  {kStart, kCancelStop},
                  UsbPdoState::Started,
                  kServed,
                  kServed},
        StateCase{"StartAfterStop",
                  {kStart, kQueryStop, kStop, kStart},
                  UsbPdoState::Started,
                  kServed,
                  kServed},
        StateCase{
            "QueryRemove", {kStart, kQueryRemove}, UsbPdoState::RemovePending, kServed, kServed},
        StateCase{"CancelRemove",
                  {kStart, kQueryRemove, kCancelRemove},
                  UsbPdoState::Started,
                  kServed,
                  kServed},
        StateCase{"CancelRemoveWithoutQuery",
                  {kStart, kCancelRemove},
                  UsbPdoState::Started,
                  kServed,
                  kServed},
        StateCase{"QueryRemoveBeforeStart",
                  {kQueryRemove},
                  UsbPdoState::RemovePending,
                  kNotReady,
                  kServed},
        StateCase{"CancelRemoveBeforeStart",
                  {kQueryRemove, kCancelRemove},
                  UsbPdoState::NotStarted,
                  kNotReady,
                  kServed},
        StateCase{
            "SurpriseRemoved", {kStart, kSurprise}, UsbPdoState::SurpriseRemoved, kGone, kGone},
        StateCase{"StartAfterSurpriseRemoval",
                  {kStart, kSurprise, kStart},
                  UsbPdoState::SurpriseRemoved,
                  kGone,
                  kGone},
        StateCase{"Removed", {kStart, kQueryRemove, kRemove}, UsbPdoState::Removed, kGone, kGone},
        StateCase{"StoppedThenRemoved",
                  {kStart, kQueryStop, kStop, kRemove},
                  UsbPdoState::Removed,
                  kGone,
                  kGone}),
    [](const ::testing::TestParamInfo<StateCase>& info) { return std::string(info.param.name); });

// Through a function driver that passes every request down.
class PdoStateThroughDriver : public ::testing::Test {
protected:
    PdoStateThroughDriver() {
        ResetFunctionDriver();
        host.RegisterDriver(&FunctionDriverEntry);
        host.PlugDevice(device);
        handle = access.Open(access.PresentInterfaces(USBCTRL_GUID).at(0).c_str());
    }
    ~PdoStateThroughDriver() override {
        if (handle != platform::kInvalidDeviceHandle) {
            access.Close(handle);
        }
    }

    // An OUT transfer through the driver double's pipe; its status.
    NTSTATUS Write() {
        BulkRequest request{};
        request.length = 4;
        std::memcpy(request.data, "ping", 4);
        BulkReply reply{};
        bool ok = access.IoControl(handle, kBulkCode, &request, sizeof request, &reply,
                                   sizeof reply, nullptr);
        return ok ? STATUS_SUCCESS : access.LastStatus();
    }

    UsbDeviceDouble device;  // outlives the host
    KernelHost host;
    HostedDeviceAccess access{host};
    platform::DeviceHandle handle = platform::kInvalidDeviceHandle;
};

TEST_F(PdoStateThroughDriver, UrbsAreRefusedWhileStoppedAndServedAgainAfterCancelOrStart) {
    ASSERT_NE(handle, platform::kInvalidDeviceHandle);
    EXPECT_EQ(Write(), STATUS_SUCCESS);

    EXPECT_EQ(host.SendPnpRequest(device, IRP_MN_QUERY_STOP_DEVICE).status, STATUS_SUCCESS);
    EXPECT_EQ(Write(), STATUS_SUCCESS);  // stop pending still serves
    EXPECT_EQ(host.SendPnpRequest(device, IRP_MN_CANCEL_STOP_DEVICE).status, STATUS_SUCCESS);
    EXPECT_EQ(host.Bus().PdoRecordOf(device).state, UsbPdoState::Started);
    EXPECT_EQ(Write(), STATUS_SUCCESS);

    EXPECT_EQ(host.SendPnpRequest(device, IRP_MN_QUERY_STOP_DEVICE).status, STATUS_SUCCESS);
    EXPECT_EQ(host.SendPnpRequest(device, IRP_MN_STOP_DEVICE).status, STATUS_SUCCESS);
    EXPECT_EQ(host.Bus().PdoRecordOf(device).state, UsbPdoState::Stopped);
    size_t sent = device.OutTransfers().size();
    EXPECT_EQ(Write(), STATUS_DEVICE_NOT_READY);
    EXPECT_EQ(device.OutTransfers().size(), sent);  // it never reached the device

    // The new start selects the configuration again and keeps the new handles.
    EXPECT_EQ(host.SendPnpRequest(device, IRP_MN_START_DEVICE).status, STATUS_SUCCESS);
    EXPECT_EQ(host.Bus().PdoRecordOf(device).state, UsbPdoState::Started);
    EXPECT_EQ(Write(), STATUS_SUCCESS);
    EXPECT_TRUE(host.Violations().empty());
}

TEST_F(PdoStateThroughDriver, RecordKeepsWhatReachedTheDeviceObjectAfterItIsGone) {
    ASSERT_NE(handle, platform::kInvalidDeviceHandle);
    UsbPdoRecord record = host.Bus().PdoRecordOf(device);
    EXPECT_EQ(record.pnp, (std::vector<UCHAR>{IRP_MN_START_DEVICE, IRP_MN_QUERY_CAPABILITIES,
                                              IRP_MN_QUERY_PNP_DEVICE_STATE}));
    EXPECT_TRUE(record.power.empty());

    POWER_STATE state;
    state.DeviceState = PowerDeviceD0;
    host.SendPowerRequest(device, IRP_MN_QUERY_POWER, DevicePowerState, state);
    host.SendPowerRequest(device, IRP_MN_SET_POWER, DevicePowerState, state);
    EXPECT_EQ(host.Bus().PdoRecordOf(device).power,
              (std::vector<UCHAR>{IRP_MN_QUERY_POWER, IRP_MN_SET_POWER}));

    device.Unplug();
    host.WaitForPnpIdle();
    access.Close(handle);
    handle = platform::kInvalidDeviceHandle;
    host.WaitForPnpIdle();
    EXPECT_EQ(host.Bus().PdoOf(device), nullptr);
    EXPECT_NE(host.Bus().LastPdoOf(device), nullptr);
    record = host.Bus().PdoRecordOf(device);
    EXPECT_EQ(record.state, UsbPdoState::Removed);
    EXPECT_EQ(record.pnp, (std::vector<UCHAR>{IRP_MN_START_DEVICE, IRP_MN_QUERY_CAPABILITIES,
                                              IRP_MN_QUERY_PNP_DEVICE_STATE,
                                              IRP_MN_SURPRISE_REMOVAL, IRP_MN_REMOVE_DEVICE}));
    EXPECT_TRUE(host.Violations().empty());
}

}  // namespace
}  // namespace corvane::kernel::test
