#include "driver/Descriptors.h"

#include "driver/Requests.h"

NTSTATUS ReadDescriptor(PDEVICE_OBJECT deviceObject, UCHAR type, UCHAR index, USHORT languageId,
                        PVOID buffer, ULONG length, ULONG* received) {
    URB urb;
    RtlZeroMemory(&urb, sizeof(urb));
    struct _URB_CONTROL_DESCRIPTOR_REQUEST& request = urb.UrbControlDescriptorRequest;
    request.Hdr.Length = sizeof(struct _URB_CONTROL_DESCRIPTOR_REQUEST);
    request.Hdr.Function = URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE;
    request.TransferBuffer = buffer;
    request.TransferBufferLength = length;
    request.TransferBufferMDL = nullptr;
    request.UrbLink = nullptr;
    request.Index = index;
    request.DescriptorType = type;
    request.LanguageId = languageId;

    NTSTATUS status = SendUrb(deviceObject, &urb);
    ULONG count = request.TransferBufferLength;
    *received = count < length ? count : length;
    return status;
}

ULONG UsableConfigurationLength(const UCHAR* buffer, ULONG length) {
    if (length < kConfigurationHeadLength) {
        return 0;
    }
    ULONG total = buffer[2] | (static_cast<ULONG>(buffer[3]) << 8);  // wTotalLength
    if (total < length) {
        length = total;
    }
    ULONG offset = 0;
    while (offset + 2 <= length) {
        ULONG descriptorLength = buffer[offset];
        UCHAR type = buffer[offset + 1];
        ULONG needed = 2;
        if (type == USB_INTERFACE_DESCRIPTOR_TYPE) {
            needed = kInterfaceDescriptorLength;
        } else if (type == USB_ENDPOINT_DESCRIPTOR_TYPE) {
            needed = kEndpointDescriptorLength;
        } else if (offset == 0) {
            needed = kConfigurationHeadLength;
        }
        if (descriptorLength < needed || descriptorLength > length - offset) {
            break;
        }
        offset += descriptorLength;
    }
    return offset < kConfigurationHeadLength ? 0 : offset;
}
