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
