// Arrivals and departures as libusb's hot-plug callbacks see them: unplugging,
// plugging in again, and the projector's own restart.
#include "UsbfsFixture.h"

namespace corvane::usbfs::testing {
namespace {

struct HotplugEvent {
    libusb_hotplug_event event;
    int address;
};

class HotplugTest : public UsbfsTest {
protected:
    void Register() {
        ASSERT_EQ(libusb_hotplug_register_callback(
                      Context(),
                      static_cast<libusb_hotplug_event>(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED |
                                                        LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
                      static_cast<libusb_hotplug_flag>(0), 0x1209, LIBUSB_HOTPLUG_MATCH_ANY,
                      LIBUSB_HOTPLUG_MATCH_ANY, Record, &events_, &callback_),
                  LIBUSB_SUCCESS);
    }
    void TearDown() override {
        if (callback_ != 0) {
            libusb_hotplug_deregister_callback(Context(), callback_);
        }
        UsbfsTest::TearDown();
    }
    bool WaitForEvents(size_t count) {
        return HandleEventsUntil([&] { return events_.size() >= count; });
    }

    std::vector<HotplugEvent> events_;

private:
    static int LIBUSB_CALL Record(libusb_context*, libusb_device* device,
                                  libusb_hotplug_event event, void* data) {
        static_cast<std::vector<HotplugEvent>*>(data)->push_back(
            {event, libusb_get_device_address(device)});
        return 0;
    }

    libusb_hotplug_callback_handle callback_ = 0;
};

TEST_F(HotplugTest, UnplugAndPlugAreLeftAndArrivedWithANewAddress) {
    sim::VirtualProjector& projector = Plug();
    const int first = Emulation().DeviceNumber(projector);
    Register();
    projector.Unplug();
    ASSERT_TRUE(WaitForEvents(1));
    EXPECT_EQ(events_[0].event, LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT);
    EXPECT_EQ(events_[0].address, first);
    EXPECT_TRUE(Emulation().WaitUntilPresent(projector, false, kPresence));
    EXPECT_EQ(Find(projector), nullptr);

    projector.Plug();
    ASSERT_TRUE(WaitForEvents(2));
    EXPECT_EQ(events_[1].event, LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED);
    EXPECT_NE(events_[1].address, first);
    EXPECT_EQ(events_[1].address, Emulation().DeviceNumber(projector));
    EXPECT_EQ(Emulation().SysfsPath(projector), "/sys/devices/platform/dummy_hcd.0/usb1/1-1");
}

TEST_F(HotplugTest, RestartLeavesAndComesBackOnTheSamePort) {
    sim::ProjectorConfig config;
    config.restartDelay = 100ms;
    sim::VirtualProjector& projector = Plug(config);
    const int first = Emulation().DeviceNumber(projector);
    libusb_device_handle* handle = OpenAndClaim(projector);
    ASSERT_NE(handle, nullptr);
    Register();
    ASSERT_EQ(Send(handle, "R"), LIBUSB_SUCCESS);
    ASSERT_TRUE(WaitForEvents(2));
    EXPECT_EQ(events_[0].event, LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT);
    EXPECT_EQ(events_[0].address, first);
    EXPECT_EQ(events_[1].event, LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED);
    EXPECT_NE(events_[1].address, first);
    EXPECT_EQ(projector.RestartCount(), 1);

    // The old handle belongs to the device that left.
    EXPECT_EQ(libusb_claim_interface(handle, 0), LIBUSB_ERROR_NO_DEVICE);
    // The new one works.
    libusb_device_handle* again = OpenAndClaim(projector);
    ASSERT_NE(again, nullptr);
    ASSERT_EQ(Send(again, "Sync\r"), LIBUSB_SUCCESS);
    std::vector<uint8_t> reply;
    ASSERT_EQ(Receive(again, &reply), LIBUSB_SUCCESS);
    EXPECT_EQ(reply, std::vector<uint8_t>{kAck});
}

TEST_F(HotplugTest, UnplugFaultLeavesDuringATransfer) {
    sim::ProjectorConfig config;
    config.faults.UnplugAt(sim::Command::Sync);
    sim::VirtualProjector& projector = Plug(config);
    libusb_device_handle* handle = OpenAndClaim(projector);
    ASSERT_NE(handle, nullptr);
    Register();
    Send(handle, "Sync\r");
    ASSERT_TRUE(WaitForEvents(1));
    EXPECT_EQ(events_[0].event, LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT);
    EXPECT_TRUE(Emulation().WaitUntilPresent(projector, false, kPresence));
}

}  // namespace
}  // namespace corvane::usbfs::testing
