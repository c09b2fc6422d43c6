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

    // The raw descriptor lands in the caller's buffer (non-paged, as the
    // controller moves it by DMA; nothing of this size on the stack) and is
    // turned into the string in place. The byte after it stays zero, so the
    // raw trace below ends inside the buffer.
    if (string->MaximumLength < kStringDescriptorBytes + 2) {
        return STATUS_BUFFER_TOO_SMALL;
    }
    auto* raw = reinterpret_cast<PUCHAR>(string->Buffer);
    RtlZeroMemory(raw, string->MaximumLength);
    ULONG received = 0;
    NTSTATUS status = ReadDescriptor(deviceObject, USB_STRING_DESCRIPTOR_TYPE, index,
                                     GetDeviceExtension(deviceObject)->LanguageId, raw,
                                     kStringDescriptorBytes, &received);
    if (!NT_SUCCESS(status)) {
        RtlZeroMemory(raw, string->MaximumLength);
        string->Length = 0;
        return status;
    }
    DbgPrint("USBCTRL String returned \"%s\"\n", reinterpret_cast<const char*>(raw));

    // bLength is the device's claim; only what actually arrived is copied.
    ULONG length = raw[0];
    if (length > received) {
        length = received;
    }
    ULONG units = length < 2 ? 0 : (length - 2) / 2;
    // Each unit moves two bytes down: it is read before it is overwritten.
    PWCHAR out = string->Buffer;
    for (ULONG i = 0; i < units; ++i) {
        out[i] = static_cast<WCHAR>(raw[2 + 2 * i] | (raw[3 + 2 * i] << 8));
    }
    // What is left of the raw bytes after the string is cleared.
    RtlZeroMemory(out + units, string->MaximumLength - units * sizeof(WCHAR));
    string->Length = static_cast<USHORT>(units * 2);
    string->MaximumLength = static_cast<USHORT>(units * 2 + 2);
    return status;
}
