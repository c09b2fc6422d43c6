// Cancelling an IN transfer that waits inside the device: it ends at once,
// and the reply the device sends for it later reaches the next transfer.
#include "UsbfsFixture.h"

namespace corvane::usbfs::testing {
namespace {

TEST_F(UsbfsTest, CancelledPendingInLosesNoReplyBytes) {
    sim::VirtualProjector& projector = Plug();
    libusb_device_handle* handle = OpenAndClaim(projector);
    ASSERT_NE(handle, nullptr);
    AsyncTransfer in(handle, kIn, std::vector<uint8_t>(64));
    ASSERT_EQ(in.Submit(), LIBUSB_SUCCESS);
    EXPECT_FALSE(HandleEventsUntil([&] { return in.Done(); }, 100ms));
    ASSERT_EQ(in.Cancel(), LIBUSB_SUCCESS);
    ASSERT_TRUE(HandleEventsUntil([&] { return in.Done(); }, 1s));
    EXPECT_EQ(in.Status(), LIBUSB_TRANSFER_CANCELLED);
    EXPECT_TRUE(in.Data().empty());

    // The device still waits to send; "P" after the sync answers in 12 bytes.
    ASSERT_EQ(Send(handle, "Sync\rP"), LIBUSB_SUCCESS);
    std::vector<uint8_t> reply;
    ASSERT_EQ(Receive(handle, &reply), LIBUSB_SUCCESS);
    EXPECT_EQ(reply, std::vector<uint8_t>{kAck});
    ASSERT_EQ(Receive(handle, &reply), LIBUSB_SUCCESS);
    ASSERT_EQ(reply.size(), 12u);
    EXPECT_EQ(reply[0], kAck);
    EXPECT_EQ(std::string(reply.begin() + 1, reply.end()), "PJX2000-A1\r");
}

TEST_F(UsbfsTest, ReplyLongerThanTheNextTransferIsSplit) {
    sim::VirtualProjector& projector = Plug();
    libusb_device_handle* handle = OpenAndClaim(projector);
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(Send(handle, "Sync\r"), LIBUSB_SUCCESS);
    std::vector<uint8_t> reply;
    ASSERT_EQ(Receive(handle, &reply), LIBUSB_SUCCESS);
    AsyncTransfer in(handle, kIn, std::vector<uint8_t>(64));
    ASSERT_EQ(in.Submit(), LIBUSB_SUCCESS);
    EXPECT_FALSE(HandleEventsUntil([&] { return in.Done(); }, 100ms));
    ASSERT_EQ(in.Cancel(), LIBUSB_SUCCESS);
    ASSERT_TRUE(HandleEventsUntil([&] { return in.Done(); }, 1s));

    ASSERT_EQ(Send(handle, "P"), LIBUSB_SUCCESS);
    ASSERT_EQ(Receive(handle, &reply, 5), LIBUSB_SUCCESS);
    EXPECT_EQ(std::string(reply.begin(), reply.end()), "\x06PJX2");
    ASSERT_EQ(Receive(handle, &reply), LIBUSB_SUCCESS);
    EXPECT_EQ(std::string(reply.begin(), reply.end()), "000-A1\r");
}

TEST_F(UsbfsTest, TimedOutInLosesNoReplyBytes) {
    sim::VirtualProjector& projector = Plug();
    libusb_device_handle* handle = OpenAndClaim(projector);
    ASSERT_NE(handle, nullptr);
    std::vector<uint8_t> reply;
    EXPECT_EQ(Receive(handle, &reply, 64, 100), LIBUSB_ERROR_TIMEOUT);
    ASSERT_EQ(Send(handle, "Sync\r"), LIBUSB_SUCCESS);
    ASSERT_EQ(Receive(handle, &reply), LIBUSB_SUCCESS);
    EXPECT_EQ(reply, std::vector<uint8_t>{kAck});
}

}  // namespace
}  // namespace corvane::usbfs::testing
