// Bulk and control transfers through libusb to a projector on the emulated usbfs.
#include "UsbfsFixture.h"

namespace corvane::usbfs::testing {
namespace {

TEST_F(UsbfsTest, SyncIsAcknowledged) {
    sim::VirtualProjector& projector = Plug();
    libusb_device_handle* handle = OpenAndClaim(projector);
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(Send(handle, "Sync\r"), LIBUSB_SUCCESS);
    std::vector<uint8_t> reply;
    ASSERT_EQ(Receive(handle, &reply), LIBUSB_SUCCESS);
    EXPECT_EQ(reply, std::vector<uint8_t>{kAck});
    EXPECT_EQ(projector.ReceivedBytes(), "Sync\r");
}

}  // namespace
}  // namespace corvane::usbfs::testing
