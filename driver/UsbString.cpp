// GetUsbString: one string descriptor into a counted, NUL-terminated UTF-16 string.
#include "driver/Descriptors.h"
#include "driver/DeviceExtension.h"
#include "driver/PnP.h"

namespace {

inline constexpr ULONG kStringDescriptorBytes = 256;

}  // namespace

NTSTATUS GetUsbString(PDEVICE_OBJECT deviceObject, UCHAR index, PUNICODE_STRING string) {
    DbgPrint("USBCTRL GetUbString()\n");
    DbgPrint("USBCTRL Device-defined index of the descriptor = %d\n", index);

    // One spare NUL so the raw trace below ends inside the buffer.
    UCHAR raw[kStringDescriptorBytes + 1];
    RtlZeroMemory(raw, sizeof(raw));
    ULONG received = 0;
    NTSTATUS status = ReadDescriptor(deviceObject, USB_STRING_DESCRIPTOR_TYPE, index,
                                     GetDeviceExtension(deviceObject)->LanguageId, raw,
                                     kStringDescriptorBytes, &received);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    DbgPrint("USBCTRL String returned \"%s\"\n", reinterpret_cast<const char*>(raw));

    // bLength is the device's claim; only what actually arrived is copied.
    ULONG length = raw[0];
    if (length > received) {
        length = received;
    }
    ULONG units = length < 2 ? 0 : (length - 2) / 2;
    PWCHAR out = string->Buffer;
    for (ULONG i = 0; i < units; ++i) {
        out[i] = static_cast<WCHAR>(raw[2 + 2 * i] | (raw[3 + 2 * i] << 8));
    }
    out[units] = 0;
    string->Length = static_cast<USHORT>(units * 2);
    string->MaximumLength = static_cast<USHORT>(units * 2 + 2);
    return status;
}
