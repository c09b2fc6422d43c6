// URBs sent straight to a hosted USB device's physical device object: bad
// requests and hostile configurations are refused without touching the device.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/kernel/KernelHost.h"
#include "platform/kernel/ddk/usbdlib.h"
#include "platform/kernel/ddk/usbioctl.h"
#include "tests/kernel/PdoRequests.h"
#include "tests/kernel/UsbDeviceDouble.h"

namespace corvane::kernel::test {
namespace {

constexpr ULONG kTestTag = 0x20747354;  // "Tst "

class UsbBusUrbTest : public ::testing::Test {
protected:
    UsbBusUrbTest() {
        host.PlugDevice(device);  // no function driver: the bare physical device object
        pdo = host.PhysicalDevice(device);
        // Started as a function driver would start it: URBs are served from then on.
        if (pdo != nullptr) {
            SendPnpToPdo(host, pdo, IRP_MN_START_DEVICE);
        }
    }

    NTSTATUS Submit(PURB urb) { return SubmitUrbToPdo(pdo, urb); }

    // Select the double's configuration, with `endpoints` claimed for interface 0.
    NTSTATUS Select(std::vector<uint8_t>& config, PURB* urbOut,
                    USBD_INTERFACE_LIST_ENTRY (&list)[2]) {
        auto* descriptor = reinterpret_cast<PUSB_CONFIGURATION_DESCRIPTOR>(config.data());
        list[0].InterfaceDescriptor = USBD_ParseConfigurationDescriptor(descriptor, 0, 0);
        list[1].InterfaceDescriptor = nullptr;
        *urbOut = USBD_CreateConfigurationRequestEx(descriptor, list);
        return Submit(*urbOut);
    }

    UsbDeviceDouble device;
    KernelHost host;
    PDEVICE_OBJECT pdo = nullptr;
};

TEST_F(UsbBusUrbTest, DescriptorRequestReportsWhatCame) {
    ASSERT_NE(pdo, nullptr);
    auto* buffer = static_cast<uint8_t*>(ExAllocatePoolWithTag(NonPagedPool, 256, kTestTag));
    URB urb{};
    UsbBuildGetDescriptorRequest(&urb, sizeof(struct _URB_CONTROL_DESCRIPTOR_REQUEST),
                                 USB_STRING_DESCRIPTOR_TYPE, 4, 0x0409, buffer, nullptr, 256,
                                 nullptr);
    EXPECT_EQ(Submit(&urb), STATUS_SUCCESS);
    EXPECT_EQ(urb.UrbHeader.Status, USBD_STATUS_SUCCESS);
    EXPECT_EQ(urb.UrbControlDescriptorRequest.TransferBufferLength, 32u);
    EXPECT_EQ(buffer[0], 32);
    EXPECT_EQ(device.ControlLog().back().wIndex, 0x0409);
    ExFreePoolWithTag(buffer, kTestTag);
}

TEST_F(UsbBusUrbTest, MissingDescriptorIsAStall) {
    auto* buffer = static_cast<uint8_t*>(ExAllocatePoolWithTag(NonPagedPool, 8, kTestTag));
    URB urb{};
    UsbBuildGetDescriptorRequest(&urb, sizeof(struct _URB_CONTROL_DESCRIPTOR_REQUEST),
                                 USB_STRING_DESCRIPTOR_TYPE, 9, 0x0409, buffer, nullptr, 8,
                                 nullptr);
    EXPECT_EQ(Submit(&urb), STATUS_UNSUCCESSFUL);
    EXPECT_EQ(urb.UrbHeader.Status, USBD_STATUS_STALL_PID);
    ExFreePoolWithTag(buffer, kTestTag);
}

TEST_F(UsbBusUrbTest, MalformedRequestsAreRefused) {
    URB urb{};
    UsbBuildGetDescriptorRequest(&urb, sizeof(struct _URB_CONTROL_DESCRIPTOR_REQUEST),
                                 USB_DEVICE_DESCRIPTOR_TYPE, 0, 0, nullptr, nullptr, 18, nullptr);
    EXPECT_EQ(Submit(&urb), STATUS_INVALID_PARAMETER);
    URB unknown{};
    unknown.UrbHeader.Length = sizeof(URB);
    unknown.UrbHeader.Function = 0x7F;
    EXPECT_EQ(Submit(&unknown), STATUS_NOT_SUPPORTED);
    EXPECT_EQ(unknown.UrbHeader.Status, USBD_STATUS_INVALID_URB_FUNCTION);
    URB bulk{};
    UsbBuildInterruptOrBulkTransferRequest(&bulk, sizeof(struct _URB_BULK_OR_INTERRUPT_TRANSFER),
                                           reinterpret_cast<USBD_PIPE_HANDLE>(0x1234), nullptr,
                                           nullptr, 0, 0, nullptr);
    EXPECT_EQ(Submit(&bulk), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(bulk.UrbHeader.Status, USBD_STATUS_INVALID_PIPE_HANDLE);
}

TEST_F(UsbBusUrbTest, SelectionFillsPipesAndDeconfigurationInvalidatesThem) {
    std::vector<uint8_t> config = device.configuration;
    USBD_INTERFACE_LIST_ENTRY list[2];
    PURB urb = nullptr;
    ASSERT_EQ(Select(config, &urb, list), STATUS_SUCCESS);
    EXPECT_NE(urb->UrbSelectConfiguration.ConfigurationHandle, nullptr);
    PUSBD_INTERFACE_INFORMATION info = list[0].Interface;
    ASSERT_EQ(info->NumberOfPipes, 2u);
    EXPECT_EQ(info->Class, 0xFF);
    EXPECT_EQ(info->Pipes[0].EndpointAddress, 0x81);
    EXPECT_EQ(info->Pipes[0].PipeType, UsbdPipeTypeBulk);
    EXPECT_EQ(info->Pipes[1].EndpointAddress, 0x02);
    EXPECT_EQ(info->Pipes[1].MaximumPacketSize, 64);
    EXPECT_NE(info->Pipes[0].PipeHandle, info->Pipes[1].PipeHandle);
    EXPECT_EQ(device.ConfigurationValue(), 1);
    USBD_PIPE_HANDLE out = info->Pipes[1].PipeHandle;

    URB deconfigure{};
    UsbBuildSelectConfigurationRequest(&deconfigure, sizeof(struct _URB_SELECT_CONFIGURATION),
                                       nullptr);
    EXPECT_EQ(Submit(&deconfigure), STATUS_SUCCESS);
    EXPECT_EQ(device.ConfigurationValue(), 0);
    URB bulk{};
    uint8_t data[1] = {0};
    UsbBuildInterruptOrBulkTransferRequest(&bulk, sizeof(struct _URB_BULK_OR_INTERRUPT_TRANSFER),
                                           out, data, nullptr, 1, 0, nullptr);
    EXPECT_EQ(Submit(&bulk), STATUS_INVALID_PARAMETER);
    EXPECT_TRUE(device.OutTransfers().empty());
    ExFreePool(urb);
}

TEST_F(UsbBusUrbTest, ConfigurationClaimingMissingEndpointsIsRefused) {
    std::vector<uint8_t> config = device.configuration;
    config[9 + 4] = 3;  // the interface claims three endpoints; two follow
    USBD_INTERFACE_LIST_ENTRY list[2];
    PURB urb = nullptr;
    EXPECT_EQ(Select(config, &urb, list), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(urb->UrbHeader.Status, USBD_STATUS_INAVLID_CONFIGURATION_DESCRIPTOR);
    EXPECT_EQ(device.ConfigurationValue(), 0);
    ExFreePool(urb);
}

TEST_F(UsbBusUrbTest, SelectionRequestTooShortForItsInterfacesIsRefused) {
    std::vector<uint8_t> config = device.configuration;
    USBD_INTERFACE_LIST_ENTRY list[2];
    auto* descriptor = reinterpret_cast<PUSB_CONFIGURATION_DESCRIPTOR>(config.data());
    list[0].InterfaceDescriptor = USBD_ParseConfigurationDescriptor(descriptor, 0, 0);
    list[1].InterfaceDescriptor = nullptr;
    PURB urb = USBD_CreateConfigurationRequestEx(descriptor, list);
    config[4] = 2;  // bNumInterfaces now says two; the request holds one
    EXPECT_EQ(Submit(urb), STATUS_INVALID_PARAMETER);
    list[0].Interface->Length = 4;  // and an entry shorter than its head
    config[4] = 1;
    EXPECT_EQ(Submit(urb), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(device.ConfigurationValue(), 0);
    ExFreePool(urb);
}

TEST_F(UsbBusUrbTest, DeviceWithoutDriverKeepsItsBareNodeUntilUnplugged) {
    EXPECT_EQ(host.StateOf(device), DeviceState::NoDriver);
    EXPECT_TRUE(pdo->Flags & DO_BUS_ENUMERATED_DEVICE);
    EXPECT_FALSE(pdo->Flags & DO_DEVICE_INITIALIZING);
    EXPECT_EQ(pdo->AttachedDevice, nullptr);
    device.Unplug();
    host.WaitForPnpIdle();
    EXPECT_EQ(host.PhysicalDevice(device), nullptr);
    EXPECT_EQ(host.StateOf(device), DeviceState::NotPresent);
    EXPECT_EQ(host.Io().LiveDeviceCount(), 0u);
    EXPECT_TRUE(host.Violations().empty());
}

}  // namespace
}  // namespace corvane::kernel::test
