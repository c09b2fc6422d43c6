// Dornik as the hosted kernel's Plug and Play manager loads it for the
// virtual projector on the hosted USB bus, reached through the program's
// device access: the whole road from a device-control request to the
// projector and back, and unplugging.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/UsbCtrl.h"
#include "driver/Driver.h"
#include "platform/kernel/HostedDeviceAccess.h"
#include "platform/kernel/KernelHost.h"
#include "platform/kernel/UsbBus.h"
#include "sim/ProjectorDescriptors.h"
#include "sim/VirtualProjector.h"
#include "tests/driver/StackHarness.h"
#include "tests/driver/TraceExpect.h"

namespace corvane::drivertest {
namespace {

using kernel::DeviceState;
using kernel::WindowsGeneration;

kernel::KernelHost::Options Options(WindowsGeneration generation) {
    kernel::KernelHost::Options options;
    options.generation = generation;
    return options;
}

class HostedProjectorBase : public ::testing::Test {
protected:
    explicit HostedProjectorBase(WindowsGeneration generation)
        : host_(Options(generation)), access_(host_) {
        host_.RegisterDriver(DriverEntry);
    }

    ~HostedProjectorBase() override {
        host_.Shutdown();
        // A device the bus dropped may still hold the transfer it was carrying
        // until it leaves too.
        projector_.Unplug();
    }

    platform::DeviceHandle OpenProjector() {
        auto paths = access_.PresentInterfaces(USBCTRL_GUID);
        EXPECT_EQ(paths.size(), 1u);
        if (paths.empty()) {
            return platform::kInvalidDeviceHandle;
        }
        return access_.Open(paths[0].c_str());
    }

    bool Write(platform::DeviceHandle handle, const std::string& text) {
        USBCTRL_REQUEST request{};
        request.Length = static_cast<uint32_t>(text.size());
        std::memcpy(request.Data, text.c_str(), text.size() + 1);
        uint32_t returned = 99;
        bool ok = access_.IoControl(handle, IOCTRL_WRITE_DATA, &request, sizeof(request), nullptr,
                                    0, &returned);
        EXPECT_EQ(returned, 0u);
        return ok;
    }

    bool Read(platform::DeviceHandle handle, USBCTRL_REPLY* reply) {
        USBCTRL_REQUEST request{};
        request.HCIReadBufferSize = 64;
        uint32_t returned = 0;
        return access_.IoControl(handle, IOCTRL_READ_DATA, &request, sizeof(request), reply,
                                 sizeof(*reply), &returned);
    }

    // Both pipes carry: the write reaches the projector, the read brings its ACK.
    void ExpectSyncAcknowledged(platform::DeviceHandle handle) {
        ASSERT_TRUE(Write(handle, "Sync\r"));
        USBCTRL_REPLY reply{};
        ASSERT_TRUE(Read(handle, &reply));
        EXPECT_EQ(reply.Status, 0u);
        ASSERT_GE(reply.Length, 1u);
        EXPECT_EQ(reply.Data[0], 0x06);
        EXPECT_EQ(projector_.ReceivedBytes(), "Sync\r");
    }

    void UnplugDuringABlockedRead(bool byCable);

    size_t DriverPool() {
        return host_.Pool().Outstanding(kDornikTag) + host_.Pool().Outstanding(kUsbdTag);
    }

    kernel::KernelHost host_;
    kernel::HostedDeviceAccess access_;
    sim::VirtualProjector projector_;
};

class HostedProjector : public ::testing::WithParamInterface<WindowsGeneration>,
                        public HostedProjectorBase {
protected:
    HostedProjector() : HostedProjectorBase(GetParam()) {}
};

TEST_P(HostedProjector, StartsAndAnswersTheProgramsRequests) {
    host_.PlugDevice(projector_);
    ASSERT_EQ(host_.StateOf(projector_), DeviceState::Started);
    EXPECT_TRUE(projector_.IsConfigured());
    EXPECT_TRUE(HasLine(host_.Trace().Lines(), "USBCTRL - Device successfully started"));

    platform::DeviceHandle handle = OpenProjector();
    ASSERT_NE(handle, platform::kInvalidDeviceHandle);

    USBCTRL_PRODUCT_INFO info{};
    uint32_t returned = 0;
    ASSERT_TRUE(access_.IoControl(handle, IOCTRL_GET_PRODUCT_INFO, nullptr, 0, &info, sizeof(info),
                                  &returned));
    EXPECT_EQ(returned, sizeof(USBCTRL_REPLY));
    EXPECT_EQ(info.VendorId, sim::kVirtualProjectorVendorId);
    EXPECT_EQ(info.ProductId, sim::kVirtualProjectorProductId);
    const char16_t expected[] = u"Projector Flash";
    EXPECT_EQ(std::memcmp(info.Configuration, expected, sizeof(expected)), 0);

    ExpectSyncAcknowledged(handle);

    access_.Close(handle);
    EXPECT_EQ(DriverPool(), 0u);
    EXPECT_TRUE(host_.Violations().empty());
}

// The device leaves either by its cable or by being taken off the bus.
void HostedProjectorBase::UnplugDuringABlockedRead(bool byCable) {
    host_.PlugDevice(projector_);
    platform::DeviceHandle handle = OpenProjector();
    ASSERT_NE(handle, platform::kInvalidDeviceHandle);

    std::atomic<bool> done{false};
    bool readOk = true;
    std::thread reader([&] {
        USBCTRL_REPLY reply{};
        readOk = Read(handle, &reply);  // the projector has nothing to say
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(done);

    if (byCable) {
        projector_.Unplug();
    } else {
        host_.UnplugDevice(projector_);
    }
    for (int i = 0; i < 2500 && !done; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_TRUE(done) << "the blocked read did not end";
    reader.join();
    host_.WaitForPnpIdle();
    EXPECT_FALSE(readOk);
    EXPECT_EQ(host_.StateOf(projector_), DeviceState::SurpriseRemoved);
    // 98 and ME know no surprise removal: removal comes at once, the handle still open.
    bool legacy = host_.Generation() == WindowsGeneration::Win98 ||
                  host_.Generation() == WindowsGeneration::WinMe;
    EXPECT_EQ(HasLine(host_.Trace().Lines(), "USBCTRL: DispatchPnP - IRP_MN_SURPRISE_REMOVAL"),
              !legacy);
    EXPECT_EQ(HasLine(host_.Trace().Lines(), "USBCTRL: DispatchPnP - IRP_MN_REMOVE_DEVICE"),
              legacy);
    EXPECT_EQ(host_.DriverUnloadCalls(), 0);  // the open handle still closes through it
    EXPECT_TRUE(access_.PresentInterfaces(USBCTRL_GUID).empty());

    // The handle opened before still reaches the driver; the device is gone.
    EXPECT_FALSE(Write(handle, "P"));

    access_.Close(handle);
    host_.WaitForPnpIdle();
    EXPECT_EQ(host_.StateOf(projector_), DeviceState::NotPresent);
    EXPECT_TRUE(HasLine(host_.Trace().Lines(), "USBCTRL: DispatchPnP - IRP_MN_REMOVE_DEVICE"));
    EXPECT_EQ(host_.DriverUnloadCalls(), 1);
    EXPECT_EQ(host_.Pool().OutstandingTotal(), 0u);
    EXPECT_TRUE(host_.Violations().empty());
}

TEST_P(HostedProjector, CableUnpluggedDuringABlockedReadThenCloseRemovesEverything) {
    UnplugDuringABlockedRead(true);
}

TEST_P(HostedProjector, TakenOffTheBusDuringABlockedReadThenCloseRemovesEverything) {
    UnplugDuringABlockedRead(false);
}

TEST_P(HostedProjector, InterfaceArrivalAndRemovalAreAnnounced) {
    std::mutex mutex;
    std::vector<std::pair<std::string, bool>> events;
    int id = access_.RegisterNotification(USBCTRL_GUID, [&](const std::string& path, bool arrived) {
        std::lock_guard lock(mutex);
        events.emplace_back(path, arrived);
    });
    host_.PlugDevice(projector_);
    host_.WaitForPnpIdle();
    auto paths = access_.PresentInterfaces(USBCTRL_GUID);
    ASSERT_EQ(paths.size(), 1u);
    projector_.Unplug();
    host_.WaitForPnpIdle();
    access_.UnregisterNotification(id);

    std::lock_guard lock(mutex);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_TRUE(events[0].second);
    EXPECT_FALSE(events[1].second);
    EXPECT_EQ(events[0].first, events[1].first);
    EXPECT_TRUE(access_.PresentInterfaces(USBCTRL_GUID).empty());
}

TEST_P(HostedProjector, OrderlyRemovalWaitsForTheLastHandle) {
    host_.PlugDevice(projector_);
    platform::DeviceHandle handle = OpenProjector();
    ASSERT_NE(handle, platform::kInvalidDeviceHandle);
    EXPECT_EQ(host_.RemoveDevice(projector_), STATUS_DEVICE_BUSY);
    access_.Close(handle);
    EXPECT_EQ(host_.RemoveDevice(projector_), STATUS_SUCCESS);
    EXPECT_EQ(host_.StateOf(projector_), DeviceState::NotPresent);
    EXPECT_EQ(host_.Pool().OutstandingTotal(), 0u);
    EXPECT_TRUE(host_.Violations().empty());
}

TEST_P(HostedProjector, StopThenStartConfiguresAgain) {
    host_.PlugDevice(projector_);
    ASSERT_EQ(host_.SendPnpRequest(projector_, IRP_MN_QUERY_STOP_DEVICE).status, STATUS_SUCCESS);
    ASSERT_EQ(host_.SendPnpRequest(projector_, IRP_MN_STOP_DEVICE).status, STATUS_SUCCESS);
    ASSERT_EQ(host_.SendPnpRequest(projector_, IRP_MN_START_DEVICE).status, STATUS_SUCCESS);
    EXPECT_EQ(CountLines(host_.Trace().Lines(), "USBCTRL - Device successfully started"), 2u);

    platform::DeviceHandle handle = OpenProjector();
    ASSERT_NE(handle, platform::kInvalidDeviceHandle);
    ASSERT_TRUE(Write(handle, "Sync\r"));
    USBCTRL_REPLY reply{};
    ASSERT_TRUE(Read(handle, &reply));
    EXPECT_EQ(reply.Data[0], 0x06);
    access_.Close(handle);
    EXPECT_EQ(DriverPool(), 0u);
}

// Both settings of interface 0 are named alike; the bus fills only the
// entries of setting 0, so that is the one the driver must run through.
TEST_P(HostedProjector, AlternateSettingOfInterfaceZeroLeavesTheSelectionFilled) {
    projector_.SetDescriptors(sim::unusual::WithAlternateSetting(ProjectorSpec()));
    host_.PlugDevice(projector_);
    ASSERT_EQ(host_.StateOf(projector_), DeviceState::Started);
    EXPECT_FALSE(HasLine(host_.Trace().Lines(), "USBCTRL - Error getting configuration handles"));

    platform::DeviceHandle handle = OpenProjector();
    ASSERT_NE(handle, platform::kInvalidDeviceHandle);
    ExpectSyncAcknowledged(handle);
    access_.Close(handle);
    EXPECT_EQ(DriverPool(), 0u);
    EXPECT_TRUE(host_.Violations().empty());
}

TEST_P(HostedProjector, CapabilitiesAndPowerQueries) {
    host_.PlugDevice(projector_);
    auto caps = host_.Capabilities(projector_);
    ASSERT_TRUE(caps.has_value());
    EXPECT_EQ(caps->SurpriseRemovalOK, 1u);
    for (auto state : caps->DeviceState) {
        EXPECT_EQ(state, PowerDeviceUnspecified);
    }
    POWER_STATE state;
    state.DeviceState = PowerDeviceD3;
    auto result = host_.SendPowerRequest(projector_, IRP_MN_QUERY_POWER, DevicePowerState, state);
    EXPECT_EQ(result.status, STATUS_SUCCESS);
    EXPECT_TRUE(
        HasLine(host_.Trace().Lines(), "USBCTRL: IRP_MN_QUERY_POWER:PowerState: 1 - State: 4"));
    EXPECT_TRUE(host_.Violations().empty());
}

INSTANTIATE_TEST_SUITE_P(Generations, HostedProjector,
                         ::testing::Values(WindowsGeneration::Win98, WindowsGeneration::WinMe,
                                           WindowsGeneration::Win2000, WindowsGeneration::WinXp));

// Stop, query-stop and the cancels must reach the bus: otherwise its device
// object stays stop-pending or remove-pending, or keeps serving while stopped.
struct PassedDownCase {
    const char* name;
    std::vector<UCHAR> minors;  // the last one is the request under test
    const char* trace;
    kernel::UsbPdoState state;  // where the bus's device object stands afterwards
};

class PnpRequestOnTheBus : public ::testing::WithParamInterface<PassedDownCase>,
                           public HostedProjectorBase {
protected:
    PnpRequestOnTheBus() : HostedProjectorBase(WindowsGeneration::WinXp) {}
};

TEST_P(PnpRequestOnTheBus, ReachesTheBusDeviceObject) {
    const PassedDownCase& c = GetParam();
    host_.PlugDevice(projector_);
    ASSERT_EQ(host_.StateOf(projector_), DeviceState::Started);
    size_t before = host_.Bus().PdoRecordOf(projector_).pnp.size();
    for (UCHAR minor : c.minors) {
        EXPECT_EQ(host_.SendPnpRequest(projector_, minor).status, STATUS_SUCCESS) << int(minor);
    }
    EXPECT_TRUE(HasLine(host_.Trace().Lines(), std::string("USBCTRL: DispatchPnP ") + c.trace));
    kernel::UsbPdoRecord record = host_.Bus().PdoRecordOf(projector_);
    EXPECT_EQ(std::vector<UCHAR>(record.pnp.begin() + before, record.pnp.end()), c.minors);
    EXPECT_EQ(record.state, c.state);
    EXPECT_TRUE(host_.Violations().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Requests, PnpRequestOnTheBus,
    ::testing::Values(PassedDownCase{"QueryStop",
                                     {IRP_MN_QUERY_STOP_DEVICE},
                                     "- IRP_MN_QUERY_STOP_DEVICE",
                                     kernel::UsbPdoState::StopPending},
                      PassedDownCase{"Stop",
                                     {IRP_MN_QUERY_STOP_DEVICE, IRP_MN_STOP_DEVICE},
                                     "- IRP_MN_STOP_DEVICE",
                                     kernel::UsbPdoState::Stopped},
                      PassedDownCase{"CancelStop",
                                     {IRP_MN_QUERY_STOP_DEVICE, IRP_MN_CANCEL_STOP_DEVICE},
                                     "- IRP_MN_CANCEL_STOP_DEVICE",
                                     kernel::UsbPdoState::Started},
                      PassedDownCase{"CancelRemove",
                                     {IRP_MN_QUERY_REMOVE_DEVICE, IRP_MN_CANCEL_REMOVE_DEVICE},
                                     "- IRP_MN_CANCEL_REMOVE_DEVICE",
                                     kernel::UsbPdoState::Started}),
    [](const auto& info) { return std::string(info.param.name); });

class HostedProjectorOnXp : public HostedProjectorBase {
protected:
    HostedProjectorOnXp() : HostedProjectorBase(WindowsGeneration::WinXp) {}
};

TEST_F(HostedProjectorOnXp, CancelledRemovalLeavesTheBusServing) {
    host_.PlugDevice(projector_);
    ASSERT_EQ(host_.SendPnpRequest(projector_, IRP_MN_QUERY_REMOVE_DEVICE).status, STATUS_SUCCESS);
    ASSERT_EQ(host_.SendPnpRequest(projector_, IRP_MN_CANCEL_REMOVE_DEVICE).status, STATUS_SUCCESS);
    EXPECT_EQ(host_.Bus().PdoRecordOf(projector_).state, kernel::UsbPdoState::Started);

    platform::DeviceHandle handle = OpenProjector();
    ASSERT_NE(handle, platform::kInvalidDeviceHandle);
    ExpectSyncAcknowledged(handle);
    access_.Close(handle);
    // The device can still be removed in order afterwards.
    EXPECT_EQ(host_.RemoveDevice(projector_), STATUS_SUCCESS);
    EXPECT_EQ(host_.Pool().OutstandingTotal(), 0u);
    EXPECT_TRUE(host_.Violations().empty());
}

TEST_F(HostedProjectorOnXp, StoppedDeviceRefusesTransfersUntilTheNextStart) {
    host_.PlugDevice(projector_);
    platform::DeviceHandle handle = OpenProjector();
    ASSERT_NE(handle, platform::kInvalidDeviceHandle);
    ASSERT_EQ(host_.SendPnpRequest(projector_, IRP_MN_QUERY_STOP_DEVICE).status, STATUS_SUCCESS);
    ASSERT_EQ(host_.SendPnpRequest(projector_, IRP_MN_STOP_DEVICE).status, STATUS_SUCCESS);
    EXPECT_EQ(host_.Bus().PdoRecordOf(projector_).state, kernel::UsbPdoState::Stopped);
    // Stop keeps the handles, but the bus no longer carries them.
    EXPECT_FALSE(Write(handle, "Sync\r"));
    EXPECT_EQ(access_.LastStatus(), STATUS_DEVICE_NOT_READY);
    EXPECT_EQ(projector_.ReceivedBytes(), "");

    ASSERT_EQ(host_.SendPnpRequest(projector_, IRP_MN_START_DEVICE).status, STATUS_SUCCESS);
    EXPECT_EQ(host_.Bus().PdoRecordOf(projector_).state, kernel::UsbPdoState::Started);
    EXPECT_EQ(CountLines(host_.Trace().Lines(), "USBCTRL - Device successfully started"), 2u);
    ExpectSyncAcknowledged(handle);
    access_.Close(handle);
    EXPECT_EQ(DriverPool(), 0u);
    EXPECT_TRUE(host_.Violations().empty());
}

TEST(HostedProjectorTest, OneEndpointInterfaceNeverStarts) {
    kernel::KernelHost host;
    kernel::HostedDeviceAccess access(host);
    host.RegisterDriver(DriverEntry);
    sim::VirtualProjector projector;
    projector.SetDescriptors(sim::unusual::WithOneEndpoint(ProjectorSpec(), 0));
    host.PlugDevice(projector);
    EXPECT_NE(host.StateOf(projector), DeviceState::Started);
    EXPECT_TRUE(HasLine(host.Trace().Lines(), "USBCTRL - Error getting configuration handles"));
    host.Shutdown();
    EXPECT_EQ(host.Pool().OutstandingTotal(), 0u);
}

}  // namespace
}  // namespace corvane::drivertest
