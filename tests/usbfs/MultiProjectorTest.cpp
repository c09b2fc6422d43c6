// Two projectors on two ports: each its own device, number and serial number.
#include "UsbfsFixture.h"

namespace corvane::usbfs::testing {
namespace {

std::string SerialOf(libusb_device_handle* handle) {
    libusb_device_descriptor descriptor{};
    libusb_get_device_descriptor(libusb_get_device(handle), &descriptor);
    unsigned char text[64] = {};
    const int length =
        libusb_get_string_descriptor_ascii(handle, descriptor.iSerialNumber, text, sizeof(text));
    return length > 0 ? std::string(reinterpret_cast<char*>(text), static_cast<size_t>(length))
                      : std::string();
}

TEST_F(UsbfsTest, TwoProjectorsOnTwoPorts) {
    sim::ProjectorConfig first;
    first.serialNumber = "A10000000001";
    sim::ProjectorConfig second;
    second.serialNumber = "A10000000002";
    second.partNumber = "1002-3456-02";
    sim::VirtualProjector& one = Plug(first, OnPort("1-1"));
    sim::VirtualProjector& two = Plug(second, OnPort("1-2"));
    EXPECT_NE(Emulation().DeviceNumber(one), Emulation().DeviceNumber(two));
    EXPECT_NE(Emulation().NodePath(one), Emulation().NodePath(two));
    EXPECT_NE(Emulation().SysfsPath(one), Emulation().SysfsPath(two));

    libusb_device_handle* a = OpenAndClaim(one);
    libusb_device_handle* b = OpenAndClaim(two);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(SerialOf(a), "A10000000001");
    EXPECT_EQ(SerialOf(b), "A10000000002");

    ASSERT_EQ(Send(b, "Sync\rG"), LIBUSB_SUCCESS);
    ASSERT_EQ(Send(a, "Sync\r"), LIBUSB_SUCCESS);
    std::vector<uint8_t> reply;
    ASSERT_EQ(Receive(a, &reply), LIBUSB_SUCCESS);
    EXPECT_EQ(reply, std::vector<uint8_t>{kAck});
    EXPECT_EQ(one.ReceivedBytes(), "Sync\r");
    EXPECT_EQ(two.ReceivedBytes(), "Sync\rG");

    // One leaving does not disturb the other.
    one.Unplug();
    ASSERT_TRUE(Emulation().WaitUntilPresent(one, false, kPresence));
    ASSERT_EQ(Receive(b, &reply), LIBUSB_SUCCESS);
    EXPECT_EQ(reply, std::vector<uint8_t>{kAck});
}

TEST_F(UsbfsTest, ProjectorsOnTwoBuses) {
    sim::VirtualProjector& one = Plug({}, OnPort("1-1"));
    sim::ProjectorConfig config;
    config.serialNumber = "A10000000002";
    sim::VirtualProjector& two = Plug(config, OnPort("2-1"));
    libusb_device* device = Find(two);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(libusb_get_bus_number(device), 2);
    EXPECT_EQ(Emulation().NodePath(two).substr(0, 16), "/dev/bus/usb/002");
    EXPECT_EQ(Emulation().SysfsPath(two), "/sys/devices/platform/dummy_hcd.1/usb2/2-1");
    libusb_unref_device(device);
    libusb_device* first = Find(one);
    EXPECT_NE(first, nullptr);
    libusb_unref_device(first);
}

}  // namespace
}  // namespace corvane::usbfs::testing
