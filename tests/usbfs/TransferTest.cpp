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

TEST_F(UsbfsTest, AnswerLongerThanAPacketArrivesWhole) {
    sim::VirtualProjector& projector = Plug();
    libusb_device_handle* handle = OpenAndClaim(projector);
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(Send(handle, "Sync\rB"), LIBUSB_SUCCESS);
    std::vector<uint8_t> reply;
    ASSERT_EQ(Receive(handle, &reply), LIBUSB_SUCCESS);
    ASSERT_EQ(Receive(handle, &reply, 512), LIBUSB_SUCCESS);
    EXPECT_EQ(std::string(reply.begin(), reply.end()),
              "\x06"
              "4,100000,0,10000,80000,F0000\r");
}

TEST_F(UsbfsTest, ControlTransfersReachEndpointZero) {
    sim::VirtualProjector& projector = Plug();
    libusb_device_handle* handle = Open(projector);
    ASSERT_NE(handle, nullptr);
    unsigned char status[2] = {0xAA, 0xAA};
    EXPECT_EQ(
        libusb_control_transfer(handle, 0x80, LIBUSB_REQUEST_GET_STATUS, 0, 0, status, 2, 1000), 2);
    EXPECT_EQ(status[0], 0);
    unsigned char configuration = 0;
    EXPECT_EQ(libusb_control_transfer(handle, 0x80, LIBUSB_REQUEST_GET_CONFIGURATION, 0, 0,
                                      &configuration, 1, 1000),
              1);
    EXPECT_EQ(configuration, 1);
    // The projector knows no vendor requests: it stalls them.
    EXPECT_EQ(libusb_control_transfer(handle, 0x40, 1, 0, 0, nullptr, 0, 1000), LIBUSB_ERROR_PIPE);
}

TEST_F(UsbfsTest, EnumerationLeavesTheProjectorConfigured) {
    sim::VirtualProjector& projector = Plug();
    EXPECT_TRUE(projector.IsConfigured());
    libusb_device_handle* handle = Open(projector);
    ASSERT_NE(handle, nullptr);
    int configuration = -1;
    ASSERT_EQ(libusb_get_configuration(handle, &configuration), LIBUSB_SUCCESS);
    EXPECT_EQ(configuration, 1);
    // Selecting it again is the cheap reset libusb documents.
    ASSERT_EQ(libusb_set_configuration(handle, 1), LIBUSB_SUCCESS);
    EXPECT_TRUE(projector.IsConfigured());
}

TEST_F(UsbfsTest, AlternateSettingHaltAndResetAreAccepted) {
    sim::VirtualProjector& projector = Plug();
    const int address = Emulation().DeviceNumber(projector);
    libusb_device_handle* handle = OpenAndClaim(projector);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(libusb_set_interface_alt_setting(handle, 0, 0), LIBUSB_SUCCESS);
    EXPECT_EQ(libusb_set_interface_alt_setting(handle, 0, 1), LIBUSB_ERROR_NOT_FOUND);
    EXPECT_EQ(libusb_clear_halt(handle, kIn), LIBUSB_SUCCESS);
    EXPECT_EQ(libusb_clear_halt(handle, 0x85), LIBUSB_ERROR_NOT_FOUND);
    ASSERT_EQ(libusb_reset_device(handle), LIBUSB_SUCCESS);
    EXPECT_EQ(Emulation().DeviceNumber(projector), address);
    EXPECT_TRUE(projector.IsConfigured());
    ASSERT_EQ(Send(handle, "Sync\r"), LIBUSB_SUCCESS);
    std::vector<uint8_t> reply;
    ASSERT_EQ(Receive(handle, &reply), LIBUSB_SUCCESS);
    EXPECT_EQ(reply, std::vector<uint8_t>{kAck});
}

}  // namespace
}  // namespace corvane::usbfs::testing
