#include "driver/InterfaceList.h"

#include "driver/Descriptors.h"
#include "driver/DeviceExtension.h"
#include "driver/PnP.h"

namespace {

PUSB_INTERFACE_DESCRIPTOR FindInterface(PUSB_CONFIGURATION_DESCRIPTOR config, PVOID start) {
    return USBD_ParseConfigurationDescriptorEx(config, start, -1, -1, -1, -1, -1);
}

// Where the search for the next interface starts: just past this one.
PVOID After(PUSB_INTERFACE_DESCRIPTOR descriptor) {
    return reinterpret_cast<PUCHAR>(descriptor) + descriptor->bLength;
}

// Only alternate setting 0 of each interface goes into the selection: the
// bus fills bNumInterfaces entries, so an alternate setting listed as well
// would take a place that is never filled.
bool IsListed(PUSB_INTERFACE_DESCRIPTOR descriptor) {
    return descriptor->bAlternateSetting == 0;
}

// The list is sized by what the configuration really holds, which need not
// be what bNumInterfaces says.
ULONG CountInterfaces(PUSB_CONFIGURATION_DESCRIPTOR config) {
    ULONG count = 0;
    for (PUSB_INTERFACE_DESCRIPTOR found = FindInterface(config, config); found != nullptr;
         found = FindInterface(config, After(found))) {
        count += IsListed(found) ? 1 : 0;
    }
    return count;
}

bool NameMatches(PUNICODE_STRING name, PCWSTR wanted) {
    UNICODE_STRING expected;
    RtlInitUnicodeString(&expected, wanted);
    return RtlCompareUnicodeString(name, &expected, TRUE) == 0;
}

const char* EndpointType(UCHAR attributes) {
    switch (attributes & 3) {
        case 0:
            return " Type:Control";
        case 1:
            return " Type:Isochronous";
        case 2:
            return " Type:Bulk";
        default:
            return " Type:Interrupt";
    }
}

void TraceEndpoints(PUSB_CONFIGURATION_DESCRIPTOR config, PUSB_INTERFACE_DESCRIPTOR descriptor) {
    PUCHAR end = reinterpret_cast<PUCHAR>(config) + config->wTotalLength;
    PUSB_COMMON_DESCRIPTOR first = USBD_ParseDescriptors(config, config->wTotalLength, descriptor,
                                                         USB_ENDPOINT_DESCRIPTOR_TYPE);
    if (first == nullptr) {
        return;
    }
    PUCHAR record = reinterpret_cast<PUCHAR>(first);
    for (ULONG number = 1; number <= descriptor->bNumEndpoints; ++number) {
        if (record + kEndpointDescriptorLength > end) {
            break;  // the device claims more endpoints than it described
        }
        PUSB_ENDPOINT_DESCRIPTOR endpoint = reinterpret_cast<PUSB_ENDPOINT_DESCRIPTOR>(record);
        // One call per line, so that a request running in another thread cannot split it.
        DbgPrint("USBCTRL -     Endpoint:%d - Address:%X -%s - Max Packet Size:%d\n", number,
                 endpoint->bEndpointAddress, EndpointType(endpoint->bmAttributes),
                 endpoint->wMaxPacketSize);
        record += kEndpointDescriptorLength;
    }
}

}  // namespace

NTSTATUS BuildInterfaceList(PDEVICE_OBJECT deviceObject, PUSB_CONFIGURATION_DESCRIPTOR config,
                            InterfaceList* list) {
    DbgPrint("USBCTRL - Number of Interfaces = %d\n", config->bNumInterfaces);
    list->count = 0;
    list->selected = 0;

    ULONG capacity = CountInterfaces(config);
    // The interface names are read into room behind the entries: the device
    // delivers them by DMA, which cannot reach the stack.
    const ULONG entryBytes = (capacity + 1) * sizeof(USBD_INTERFACE_LIST_ENTRY);
    const ULONG nameBytes = USBCTRL_STRING_UNITS * sizeof(WCHAR);
    ULONG bytes = entryBytes + nameBytes;
    list->entries = static_cast<PUSBD_INTERFACE_LIST_ENTRY>(
        ExAllocatePoolWithTag(NonPagedPool, bytes, kDornikPoolTag));
    if (list->entries == nullptr) {
        DbgPrint("USBCTRL - Unable to allocate %X bytes for interface list\n", bytes);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    RtlZeroMemory(list->entries, bytes);

    auto* work = reinterpret_cast<PWCHAR>(reinterpret_cast<PUCHAR>(list->entries) + entryBytes);
    for (PUSB_INTERFACE_DESCRIPTOR found = FindInterface(config, config); found != nullptr;
         found = FindInterface(config, After(found))) {
        // Every setting is traced; only listed ones can be chosen.
        bool listed = IsListed(found) && list->count < capacity;
        if (listed) {
            list->entries[list->count].InterfaceDescriptor = found;
            ++list->count;
        }

        UNICODE_STRING name = {0, static_cast<USHORT>(nameBytes), work};
        GetUsbString(deviceObject, found->iInterface, &name);
        DbgPrint("USBCTRL -   Interface: %S - Endpoints: %d\n", work, found->bNumEndpoints);
        if (listed && NameMatches(&name, DORNIK_WIDE("Projector Control"))) {
            DbgPrint("USBCTRL - Found Projector Control Interface\n");
            list->selected = list->count - 1;
        }
        if (listed && NameMatches(&name, DORNIK_WIDE("Projector Flash"))) {
            DbgPrint("USBCTRL - Found Projector Flash Interface\n");
            list->selected = list->count - 1;
        }
        TraceEndpoints(config, found);
    }
    return STATUS_SUCCESS;
}
