// The USBD helpers against well-formed and hostile configuration descriptors.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/kernel/KernelHost.h"
#include "platform/kernel/ddk/usbdlib.h"

namespace corvane::kernel::test {
namespace {

std::vector<uint8_t> Interface(uint8_t number, uint8_t alternate, uint8_t endpoints) {
    return {9, 4, number, alternate, endpoints, 0xFF, 0, 0, 0};
}
std::vector<uint8_t> Endpoint(uint8_t address) {
    return {7, 5, address, 2, 64, 0, 0};
}

// A configuration: its head, then the parts; wTotalLength is the real size
// unless `total` says otherwise.
std::vector<uint8_t> Configuration(uint8_t interfaces,
                                   std::initializer_list<std::vector<uint8_t>> parts,
                                   int total = -1) {
    std::vector<uint8_t> bytes{9, 2, 0, 0, interfaces, 1, 0, 0x80, 50};
    for (const auto& part : parts) {
        bytes.insert(bytes.end(), part.begin(), part.end());
    }
    uint16_t length =
        total < 0 ? static_cast<uint16_t>(bytes.size()) : static_cast<uint16_t>(total);
    bytes[2] = static_cast<uint8_t>(length);
    bytes[3] = static_cast<uint8_t>(length >> 8);
    return bytes;
}

PUSB_CONFIGURATION_DESCRIPTOR AsConfig(std::vector<uint8_t>& bytes) {
    return reinterpret_cast<PUSB_CONFIGURATION_DESCRIPTOR>(bytes.data());
}

int CountInterfaces(std::vector<uint8_t>& bytes) {
    PUSB_CONFIGURATION_DESCRIPTOR config = AsConfig(bytes);
    int count = 0;
    PVOID position = config;
    for (;;) {
        PUSB_INTERFACE_DESCRIPTOR found =
            USBD_ParseConfigurationDescriptorEx(config, position, -1, -1, -1, -1, -1);
        if (found == nullptr) {
            return count;
        }
        ++count;
        position = reinterpret_cast<uint8_t*>(found) + 9;
    }
}

TEST(UsbdParse, FindsInterfacesAndTheirEndpoints) {
    auto bytes = Configuration(2, {Interface(0, 0, 2), Endpoint(0x81), Endpoint(0x02),
                                   Interface(1, 0, 1), Endpoint(0x83)});
    PUSB_CONFIGURATION_DESCRIPTOR config = AsConfig(bytes);
    EXPECT_EQ(CountInterfaces(bytes), 2);
    PUSB_INTERFACE_DESCRIPTOR second =
        USBD_ParseConfigurationDescriptorEx(config, config, 1, -1, -1, -1, -1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->bInterfaceNumber, 1);
    auto* endpoint = reinterpret_cast<PUSB_ENDPOINT_DESCRIPTOR>(
        USBD_ParseDescriptors(config, config->wTotalLength, second, USB_ENDPOINT_DESCRIPTOR_TYPE));
    ASSERT_NE(endpoint, nullptr);
    EXPECT_EQ(endpoint->bEndpointAddress, 0x83);
    EXPECT_EQ(USBD_ParseConfigurationDescriptor(config, 0, 0)->bNumEndpoints, 2);
    EXPECT_EQ(USBD_ParseConfigurationDescriptorEx(config, config, 2, -1, -1, -1, -1), nullptr);
}

TEST(UsbdParse, ZeroLengthDescriptorEndsTheWalk) {
    auto bytes = Configuration(2, {Interface(0, 0, 0), {0, 5, 0, 0, 0, 0, 0}, Interface(1, 0, 0)});
    EXPECT_EQ(CountInterfaces(bytes), 1);
    PUSB_CONFIGURATION_DESCRIPTOR config = AsConfig(bytes);
    EXPECT_EQ(
        USBD_ParseDescriptors(config, config->wTotalLength, config, USB_ENDPOINT_DESCRIPTOR_TYPE),
        nullptr);
}

TEST(UsbdParse, LengthOneOrShortInterfaceDescriptorEndsTheWalk) {
    auto lengthOne = Configuration(2, {{1, 0x24}, Interface(0, 0, 0)});
    EXPECT_EQ(CountInterfaces(lengthOne), 0);
    auto shortInterface = Configuration(1, {{5, 4, 0, 0, 0}, Interface(1, 0, 0)});
    EXPECT_EQ(CountInterfaces(shortInterface), 0);
}

TEST(UsbdParse, NothingPastTheTotalLengthIsRead) {
    // The second interface lies beyond wTotalLength; the first runs past it.
    auto bytes = Configuration(2, {Interface(0, 0, 0), Interface(1, 0, 0)}, 9 + 9);
    EXPECT_EQ(CountInterfaces(bytes), 1);
    auto cut = Configuration(1, {Interface(0, 0, 0)}, 9 + 5);
    EXPECT_EQ(CountInterfaces(cut), 0);
    PUSB_CONFIGURATION_DESCRIPTOR config = AsConfig(bytes);
    EXPECT_EQ(USBD_ParseDescriptors(config, 18, bytes.data() + 18, USB_INTERFACE_DESCRIPTOR_TYPE),
              nullptr);
    EXPECT_EQ(USBD_ParseDescriptors(config, 18, bytes.data() - 1, USB_INTERFACE_DESCRIPTOR_TYPE),
              nullptr);
}

TEST(UsbdParse, InterfacesBeyondTheDeclaredCountAreStillWalkedOver) {
    // bNumInterfaces says 1; three interface descriptors (alternate settings) follow.
    auto bytes = Configuration(1, {Interface(0, 0, 0), Interface(0, 1, 0), Interface(0, 2, 0)});
    EXPECT_EQ(CountInterfaces(bytes), 3);
    PUSB_CONFIGURATION_DESCRIPTOR config = AsConfig(bytes);
    PUSB_INTERFACE_DESCRIPTOR alternate =
        USBD_ParseConfigurationDescriptorEx(config, config, 0, 2, -1, -1, -1);
    ASSERT_NE(alternate, nullptr);
    EXPECT_EQ(alternate->bAlternateSetting, 2);
}

TEST(UsbdParse, EveryByteOfARandomBufferIsSafe) {
    // Hostile bytes after a sane head: the walks end without reading outside.
    for (unsigned seed = 1; seed < 200; ++seed) {
        std::vector<uint8_t> bytes{9, 2, 64, 0, 3, 1, 0, 0x80, 50};
        unsigned value = seed;
        while (bytes.size() < 64) {
            value = value * 1103515245u + 12345u;
            bytes.push_back(static_cast<uint8_t>(value >> 16));
        }
        std::vector<uint8_t> exact(bytes);  // ASan sees any read past 64 bytes
        EXPECT_LE(CountInterfaces(exact), 7);
    }
}

class UsbdRequestTest : public ::testing::Test {
protected:
    KernelHost host;
};

TEST_F(UsbdRequestTest, ConfigurationRequestHasRoomForEveryInterfaceAndPipe) {
    auto bytes =
        Configuration(2, {Interface(0, 0, 2), Endpoint(0x81), Endpoint(0x02), Interface(1, 0, 0)});
    PUSB_CONFIGURATION_DESCRIPTOR config = AsConfig(bytes);
    USBD_INTERFACE_LIST_ENTRY list[3] = {};
    list[0].InterfaceDescriptor =
        USBD_ParseConfigurationDescriptorEx(config, config, 0, 0, -1, -1, -1);
    list[1].InterfaceDescriptor =
        USBD_ParseConfigurationDescriptorEx(config, config, 1, 0, -1, -1, -1);
    PURB urb = USBD_CreateConfigurationRequestEx(config, list);
    ASSERT_NE(urb, nullptr);
    EXPECT_EQ(urb->UrbHeader.Function, URB_FUNCTION_SELECT_CONFIGURATION);
    EXPECT_EQ(urb->UrbSelectConfiguration.ConfigurationDescriptor, config);
    EXPECT_EQ(urb->UrbHeader.Length, offsetof(struct _URB_SELECT_CONFIGURATION, Interface) +
                                         GET_USBD_INTERFACE_SIZE(2) + GET_USBD_INTERFACE_SIZE(0));
    EXPECT_EQ(list[0].Interface, &urb->UrbSelectConfiguration.Interface);
    EXPECT_EQ(list[0].Interface->NumberOfPipes, 2u);
    EXPECT_EQ(list[0].Interface->Length, GET_USBD_INTERFACE_SIZE(2));
    EXPECT_EQ(list[0].Interface->Pipes[1].MaximumTransferSize,
              static_cast<ULONG>(USBD_DEFAULT_MAXIMUM_TRANSFER_SIZE));
    EXPECT_EQ(reinterpret_cast<uint8_t*>(list[1].Interface),
              reinterpret_cast<uint8_t*>(list[0].Interface) + GET_USBD_INTERFACE_SIZE(2));
    EXPECT_EQ(list[1].Interface->InterfaceNumber, 1);
    EXPECT_EQ(host.Pool().Outstanding(PoolTag("USBD")), 1u);
    ExFreePool(urb);
    EXPECT_EQ(host.Pool().OutstandingTotal(), 0u);
}

TEST_F(UsbdRequestTest, ConfigurationRequestIsNullWithoutPool) {
    auto bytes = Configuration(1, {Interface(0, 0, 0)});
    PUSB_CONFIGURATION_DESCRIPTOR config = AsConfig(bytes);
    USBD_INTERFACE_LIST_ENTRY list[2] = {};
    list[0].InterfaceDescriptor = USBD_ParseConfigurationDescriptor(config, 0, 0);
    host.Pool().FailNextAllocations(1, PoolTag("USBD"));
    EXPECT_EQ(USBD_CreateConfigurationRequestEx(config, list), nullptr);
    EXPECT_EQ(list[0].Interface, nullptr);
}

}  // namespace
}  // namespace corvane::kernel::test
