// The USBD library: descriptor walks that never read past the configuration
// (wTotalLength) and end at a malformed descriptor, and the select-
// configuration request builder.
#include <cstddef>
#include <cstring>

#include "platform/kernel/PoolTracker.h"
#include "platform/kernel/ddk/usbdlib.h"

namespace {

constexpr uint32_t kUsbdTag = corvane::kernel::PoolTag("USBD");

// The smallest bLength a descriptor of this type may have; a shorter one is
// malformed and ends the walk.
unsigned MinimumLength(unsigned type) {
    switch (type) {
        case USB_DEVICE_DESCRIPTOR_TYPE:
            return sizeof(USB_DEVICE_DESCRIPTOR);
        case USB_CONFIGURATION_DESCRIPTOR_TYPE:
        case USB_INTERFACE_DESCRIPTOR_TYPE:
            return 9;
        case USB_ENDPOINT_DESCRIPTOR_TYPE:
            return sizeof(USB_ENDPOINT_DESCRIPTOR);
        default:
            return 2;
    }
}

// The descriptor at p if it lies wholly before end and is well formed.
bool WellFormedAt(const UCHAR* p, const UCHAR* end) {
    if (end - p < 2) {
        return false;
    }
    unsigned length = p[0];
    return length >= MinimumLength(p[1]) && length <= static_cast<std::size_t>(end - p);
}

}  // namespace

extern "C" {

PUSB_COMMON_DESCRIPTOR USBD_ParseDescriptors(PVOID DescriptorBuffer, ULONG TotalLength,
                                             PVOID StartPosition, LONG DescriptorType) {
    auto* begin = static_cast<const UCHAR*>(DescriptorBuffer);
    auto* p = static_cast<const UCHAR*>(StartPosition);
    if (begin == nullptr || p == nullptr) {
        return nullptr;
    }
    const UCHAR* end = begin + TotalLength;
    if (p < begin || p >= end) {
        return nullptr;
    }
    while (WellFormedAt(p, end)) {
        if (p[1] == DescriptorType) {
            return reinterpret_cast<PUSB_COMMON_DESCRIPTOR>(const_cast<UCHAR*>(p));
        }
        p += p[0];
    }
    return nullptr;
}

PUSB_INTERFACE_DESCRIPTOR USBD_ParseConfigurationDescriptorEx(
    PUSB_CONFIGURATION_DESCRIPTOR ConfigurationDescriptor, PVOID StartPosition,
    LONG InterfaceNumber, LONG AlternateSetting, LONG InterfaceClass, LONG InterfaceSubClass,
    LONG InterfaceProtocol) {
    if (ConfigurationDescriptor == nullptr) {
        return nullptr;
    }
    ULONG total = ConfigurationDescriptor->wTotalLength;
    auto* begin = reinterpret_cast<UCHAR*>(ConfigurationDescriptor);
    auto* position = static_cast<UCHAR*>(StartPosition);
    while (position != nullptr) {
        auto* found = reinterpret_cast<PUSB_INTERFACE_DESCRIPTOR>(
            USBD_ParseDescriptors(begin, total, position, USB_INTERFACE_DESCRIPTOR_TYPE));
        if (found == nullptr) {
            return nullptr;
        }
        if ((InterfaceNumber == -1 || found->bInterfaceNumber == InterfaceNumber) &&
            (AlternateSetting == -1 || found->bAlternateSetting == AlternateSetting) &&
            (InterfaceClass == -1 || found->bInterfaceClass == InterfaceClass) &&
            (InterfaceSubClass == -1 || found->bInterfaceSubClass == InterfaceSubClass) &&
            (InterfaceProtocol == -1 || found->bInterfaceProtocol == InterfaceProtocol)) {
            return found;
        }
        position = reinterpret_cast<UCHAR*>(found) + found->bLength;
        if (position >= begin + total) {
            return nullptr;
        }
    }
    return nullptr;
}

PUSB_INTERFACE_DESCRIPTOR USBD_ParseConfigurationDescriptor(
    PUSB_CONFIGURATION_DESCRIPTOR ConfigurationDescriptor, UCHAR InterfaceNumber,
    UCHAR AlternateSetting) {
    return USBD_ParseConfigurationDescriptorEx(ConfigurationDescriptor, ConfigurationDescriptor,
                                               InterfaceNumber, AlternateSetting, -1, -1, -1);
}

PURB USBD_CreateConfigurationRequestEx(PUSB_CONFIGURATION_DESCRIPTOR ConfigurationDescriptor,
                                       PUSBD_INTERFACE_LIST_ENTRY InterfaceList) {
    if (ConfigurationDescriptor == nullptr || InterfaceList == nullptr) {
        return nullptr;
    }
    std::size_t size = offsetof(struct _URB_SELECT_CONFIGURATION, Interface);
    std::size_t count = 0;
    for (PUSBD_INTERFACE_LIST_ENTRY entry = InterfaceList; entry->InterfaceDescriptor != nullptr;
         ++entry) {
        size += GET_USBD_INTERFACE_SIZE(entry->InterfaceDescriptor->bNumEndpoints);
        ++count;
    }
    if (size < sizeof(struct _URB_SELECT_CONFIGURATION)) {
        size = sizeof(struct _URB_SELECT_CONFIGURATION);
    }
    if (size > 0xFFFF) {
        return nullptr;  // the header's Length cannot say it
    }
    auto* urb = static_cast<PURB>(ExAllocatePoolWithTag(NonPagedPool, size, kUsbdTag));
    if (urb == nullptr) {
        return nullptr;
    }
    std::memset(urb, 0, size);
    UsbBuildSelectConfigurationRequest(urb, static_cast<USHORT>(size), ConfigurationDescriptor);
    auto* bytes = reinterpret_cast<UCHAR*>(&urb->UrbSelectConfiguration.Interface);
    for (std::size_t i = 0; i < count; ++i) {
        PUSB_INTERFACE_DESCRIPTOR descriptor = InterfaceList[i].InterfaceDescriptor;
        auto* info = reinterpret_cast<PUSBD_INTERFACE_INFORMATION>(bytes);
        info->Length = static_cast<USHORT>(GET_USBD_INTERFACE_SIZE(descriptor->bNumEndpoints));
        info->InterfaceNumber = descriptor->bInterfaceNumber;
        info->AlternateSetting = descriptor->bAlternateSetting;
        info->NumberOfPipes = descriptor->bNumEndpoints;
        for (ULONG pipe = 0; pipe < info->NumberOfPipes; ++pipe) {
            info->Pipes[pipe].MaximumTransferSize = USBD_DEFAULT_MAXIMUM_TRANSFER_SIZE;
            info->Pipes[pipe].PipeFlags = 0;
        }
        InterfaceList[i].Interface = info;
        bytes += info->Length;
    }
    return urb;
}

}  // extern "C"
