// Pulling the cable with transfers in flight: they fail as the kernel fails
// them, later requests on open handles fail with "no device", and what had
// completed before can still be reaped.
#include "UsbfsFixture.h"

namespace corvane::usbfs::testing {
namespace {

TEST_F(UsbfsTest, PendingInFailsWithNoDevicePromptlyOnUnplug) {
    sim::VirtualProjector& projector = Plug();
    libusb_device_handle* handle = OpenAndClaim(projector);
    ASSERT_NE(handle, nullptr);
    AsyncTransfer in(handle, kIn, std::vector<uint8_t>(64));
    ASSERT_EQ(in.Submit(), LIBUSB_SUCCESS);
    // Let it reach the device, where it waits for a reply that never comes.
    EXPECT_FALSE(HandleEventsUntil([&] { return in.Done(); }, 100ms));

    const auto unplugged = std::chrono::steady_clock::now();
    projector.Unplug();
    ASSERT_TRUE(HandleEventsUntil([&] { return in.Done(); }, 2s));
    EXPECT_LT(std::chrono::steady_clock::now() - unplugged, 1s);
    EXPECT_EQ(in.Status(), LIBUSB_TRANSFER_NO_DEVICE);
}

TEST_F(UsbfsTest, RequestsOnAnOpenHandleFailAfterUnplug) {
    sim::VirtualProjector& projector = Plug();
    libusb_device_handle* handle = OpenAndClaim(projector);
    ASSERT_NE(handle, nullptr);
    projector.Unplug();
    ASSERT_TRUE(Emulation().WaitUntilPresent(projector, false, kPresence));
    EXPECT_EQ(Send(handle, "Sync\r"), LIBUSB_ERROR_NO_DEVICE);
    EXPECT_EQ(libusb_release_interface(handle, 0), LIBUSB_ERROR_NO_DEVICE);
    EXPECT_EQ(libusb_set_configuration(handle, 1), LIBUSB_ERROR_NO_DEVICE);
    // Plugging in again brings another device; the handle stays with the old.
    projector.Plug();
    ASSERT_TRUE(Emulation().WaitUntilPresent(projector, true, kPresence));
    EXPECT_EQ(Send(handle, "Sync\r"), LIBUSB_ERROR_NO_DEVICE);
}

TEST_F(UsbfsTest, TransfersCompletedBeforeUnplugAreStillReaped) {
    sim::VirtualProjector& projector = Plug();
    libusb_device_handle* handle = OpenAndClaim(projector);
    ASSERT_NE(handle, nullptr);
    AsyncTransfer in(handle, kIn, std::vector<uint8_t>(64));
    AsyncTransfer out(handle, kOut, {'S', 'y', 'n', 'c', '\r'});
    ASSERT_EQ(in.Submit(), LIBUSB_SUCCESS);
    ASSERT_EQ(out.Submit(), LIBUSB_SUCCESS);
    // Both complete inside the emulation; nobody reaps them yet.
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (projector.Log().size() < 2 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_EQ(projector.Log().size(), 2u);
    projector.Unplug();
    ASSERT_TRUE(Emulation().WaitUntilPresent(projector, false, kPresence));

    ASSERT_TRUE(HandleEventsUntil([&] { return in.Done() && out.Done(); }));
    EXPECT_EQ(out.Status(), LIBUSB_TRANSFER_COMPLETED);
    EXPECT_EQ(in.Status(), LIBUSB_TRANSFER_COMPLETED);
    EXPECT_EQ(in.Data(), std::vector<uint8_t>{kAck});
}

TEST_F(UsbfsTest, OpeningAfterUnplugFails) {
    sim::VirtualProjector& projector = Plug();
    libusb_device* device = Find(projector);
    ASSERT_NE(device, nullptr);
    projector.Unplug();
    ASSERT_TRUE(Emulation().WaitUntilPresent(projector, false, kPresence));
    libusb_device_handle* handle = nullptr;
    EXPECT_NE(libusb_open(device, &handle), LIBUSB_SUCCESS);
    libusb_unref_device(device);
}

}  // namespace
}  // namespace corvane::usbfs::testing
