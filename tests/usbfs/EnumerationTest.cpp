// What libusb finds on the emulated bus: the projector at its bus, port and
// address, with its descriptors, and sysfs as the kernel would show it.
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "UsbfsFixture.h"

namespace corvane::usbfs::testing {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<uint8_t> PortNumbers(libusb_device* device) {
    uint8_t ports[8] = {};
    const int count = libusb_get_port_numbers(device, ports, sizeof(ports));
    return count < 0 ? std::vector<uint8_t>() : std::vector<uint8_t>(ports, ports + count);
}

TEST_F(UsbfsTest, ProjectorIsFoundAtItsBusPortAndAddress) {
    sim::VirtualProjector& projector = Plug();
    libusb_device* device = Find(projector);
    ASSERT_NE(device, nullptr);
    libusb_device_descriptor descriptor{};
    ASSERT_EQ(libusb_get_device_descriptor(device, &descriptor), LIBUSB_SUCCESS);
    EXPECT_EQ(descriptor.idVendor, 0x1209);
    EXPECT_EQ(descriptor.idProduct, 0x0001);
    EXPECT_EQ(descriptor.bcdDevice, 0x0100);
    EXPECT_EQ(libusb_get_bus_number(device), 1);
    EXPECT_EQ(libusb_get_port_number(device), 1);
    EXPECT_EQ(PortNumbers(device), std::vector<uint8_t>{1});
    // The root hub took number 1.
    EXPECT_GE(libusb_get_device_address(device), 2);
    EXPECT_EQ(libusb_get_device_address(device), Emulation().DeviceNumber(projector));
    EXPECT_EQ(libusb_get_device_speed(device), LIBUSB_SPEED_FULL);
    libusb_unref_device(device);
}

TEST_F(UsbfsTest, PortBehindAHubHasTheWholePath) {
    EmulatedPort port;
    port.path = "1-4.2";
    sim::VirtualProjector& projector = Plug({}, port);
    libusb_device* device = Find(projector);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(PortNumbers(device), (std::vector<uint8_t>{4, 2}));
    libusb_device* hub = libusb_get_parent(device);
    ASSERT_NE(hub, nullptr);
    libusb_device_descriptor descriptor{};
    ASSERT_EQ(libusb_get_device_descriptor(hub, &descriptor), LIBUSB_SUCCESS);
    EXPECT_EQ(descriptor.bDeviceClass, LIBUSB_CLASS_HUB);
    EXPECT_EQ(libusb_get_port_number(hub), 4);
    EXPECT_EQ(Emulation().SysfsPath(projector), "/sys/devices/platform/dummy_hcd.0/usb1/1-4/1-4.2");
    libusb_unref_device(device);
}

// Programs that open every device (Wine's USB bus driver) open the hubs too:
// their nodes answer the standard requests, and an open hub leaves libusb's
// event handling without errors.
TEST_F(UsbfsTest, HubsOpenAndAnswerLikeAnyDevice) {
    EmulatedPort port;
    port.path = "1-4.2";
    sim::VirtualProjector& projector = Plug({}, port);
    libusb_device* device = Find(projector);
    ASSERT_NE(device, nullptr);
    libusb_device* hub = libusb_get_parent(device);
    ASSERT_NE(hub, nullptr);
    libusb_device* root = libusb_get_parent(hub);
    ASSERT_NE(root, nullptr);
    const std::pair<libusb_device*, std::string> hubs[] = {{hub, "USB2.0 Hub"},
                                                           {root, "Dummy host controller"}};
    std::vector<libusb_device_handle*> opened;
    for (const auto& [each, product] : hubs) {
        libusb_device_handle* handle = nullptr;
        ASSERT_EQ(libusb_open(each, &handle), LIBUSB_SUCCESS) << product;
        opened.push_back(handle);
        libusb_device_descriptor descriptor{};
        ASSERT_EQ(libusb_get_device_descriptor(each, &descriptor), LIBUSB_SUCCESS);
        unsigned char text[64] = {};
        const int length =
            libusb_get_string_descriptor_ascii(handle, descriptor.iProduct, text, sizeof text);
        ASSERT_GT(length, 0) << product;
        EXPECT_EQ(std::string(reinterpret_cast<char*>(text), length), product);
    }
    for (int round = 0; round < 5; ++round) {
        timeval wait{0, 20000};
        EXPECT_EQ(libusb_handle_events_timeout_completed(Context(), &wait, nullptr), 0);
    }
    for (libusb_device_handle* handle : opened) {
        libusb_close(handle);
    }
    libusb_unref_device(device);
}

TEST_F(UsbfsTest, SysfsShowsTheDeviceAsTheKernelDoes) {
    sim::VirtualProjector& projector = Plug();
    const std::string dir = Emulation().RootDir() + Emulation().SysfsPath(projector);
    EXPECT_EQ(ReadFile(dir + "/idVendor"), "1209\n");
    EXPECT_EQ(ReadFile(dir + "/idProduct"), "0001\n");
    EXPECT_EQ(ReadFile(dir + "/busnum"), "1\n");
    EXPECT_EQ(ReadFile(dir + "/devnum"),
              std::to_string(Emulation().DeviceNumber(projector)) + "\n");
    EXPECT_EQ(ReadFile(dir + "/speed"), "12\n");
    EXPECT_EQ(ReadFile(dir + "/bConfigurationValue"), "1\n");
    EXPECT_EQ(ReadFile(dir + "/serial"), "A10000012345\n");
    EXPECT_EQ(ReadFile(dir + "/manufacturer"), "Velta\n");
    // Device descriptor, then the whole configuration.
    const std::string descriptors = ReadFile(dir + "/descriptors");
    ASSERT_EQ(descriptors.size(), 18u + 32u);
    EXPECT_EQ(static_cast<uint8_t>(descriptors[18 + 1]), LIBUSB_DT_CONFIG);
    const std::string uevent = ReadFile(dir + "/uevent");
    EXPECT_NE(uevent.find("DEVTYPE=usb_device\n"), std::string::npos);
    EXPECT_NE(uevent.find("PRODUCT=1209/1/100\n"), std::string::npos);
    EXPECT_NE(uevent.find("DEVNAME=" + Emulation().NodePath(projector).substr(5) + "\n"),
              std::string::npos);
    struct stat node {};
    EXPECT_EQ(stat((Emulation().RootDir() + Emulation().NodePath(projector)).c_str(), &node), 0);
}

TEST_F(UsbfsTest, PortCanPresentOtherIds) {
    EmulatedPort port;
    port.vendorId = 0x1209;
    port.productId = 0x0002;
    sim::VirtualProjector& projector = Plug({}, port);
    libusb_device* device = Find(projector);
    ASSERT_NE(device, nullptr);
    libusb_device_descriptor descriptor{};
    ASSERT_EQ(libusb_get_device_descriptor(device, &descriptor), LIBUSB_SUCCESS);
    EXPECT_EQ(descriptor.idProduct, 0x0002);
    EXPECT_EQ(ReadFile(Emulation().RootDir() + Emulation().SysfsPath(projector) + "/idProduct"),
              "0002\n");
    libusb_unref_device(device);
}

TEST_F(UsbfsTest, ProjectorStartingDetachedIsNotListed) {
    sim::ProjectorConfig config;
    config.startAttached = false;
    sim::VirtualProjector& projector = Emulation().AddProjector(config);
    EXPECT_FALSE(Emulation().WaitUntilPresent(projector, true, 200ms));
    EXPECT_EQ(Find(projector), nullptr);
    projector.Plug();
    EXPECT_TRUE(Emulation().WaitUntilPresent(projector, true, kPresence));
    libusb_device* device = Find(projector);
    EXPECT_NE(device, nullptr);
    libusb_unref_device(device);
}

TEST_F(UsbfsTest, BadOrClashingPortsAreRefused) {
    Emulation().AddProjector({}, OnPort("1-4.2"));
    EXPECT_THROW(Emulation().AddProjector({}, OnPort("1-4.2")), std::invalid_argument);
    EXPECT_THROW(Emulation().AddProjector({}, OnPort("1-4")), std::invalid_argument);
    EXPECT_THROW(Emulation().AddProjector({}, OnPort("1-4.2.1")), std::invalid_argument);
    EXPECT_THROW(Emulation().AddProjector({}, OnPort("1-0")), std::invalid_argument);
    EXPECT_THROW(Emulation().AddProjector({}, OnPort("usb1")), std::invalid_argument);
    EXPECT_NO_THROW(Emulation().AddProjector({}, OnPort("1-4.3")));
}

}  // namespace
}  // namespace corvane::usbfs::testing
