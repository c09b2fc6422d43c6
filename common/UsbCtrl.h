// The contract between Corvane and Dornik: the device interface class, the
// five device-control codes and the two request records. Both sides compile
// this header, the driver without a standard library, so it uses nothing but
// fixed-width integers.
#pragma once

#include <stdint.h>

// Same layout as the platform's GUID: Data1..Data3 in native (little-endian) order.
struct UsbCtrlGuid {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};

// {90247D63-6177-11D4-A797-0040D00A43A5}
inline constexpr UsbCtrlGuid USBCTRL_GUID = {
    0x90247D63, 0x6177, 0x11D4, {0xA7, 0x97, 0x00, 0x40, 0xD0, 0x0A, 0x43, 0xA5}};

inline constexpr bool UsbCtrlGuidEqual(const UsbCtrlGuid& a, const UsbCtrlGuid& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) {
        return false;
    }
    for (int i = 0; i < 8; ++i) {
        if (a.Data4[i] != b.Data4[i]) {
            return false;
        }
    }
    return true;
}

// CTL_CODE of the platform: device type, required access, function, transfer method.
inline constexpr uint32_t UsbCtrlControlCode(uint32_t deviceType, uint32_t access,
                                             uint32_t function, uint32_t method) {
    return (deviceType << 16) | (access << 14) | (function << 2) | method;
}

inline constexpr uint32_t USBCTRL_DEVICE_TYPE = 0x22;  // FILE_DEVICE_UNKNOWN
inline constexpr uint32_t USBCTRL_METHOD_BUFFERED = 0;
inline constexpr uint32_t USBCTRL_FILE_ANY_ACCESS = 0;

inline constexpr uint32_t UsbCtrlCode(uint32_t function) {
    return UsbCtrlControlCode(USBCTRL_DEVICE_TYPE, USBCTRL_FILE_ANY_ACCESS, function,
                              USBCTRL_METHOD_BUFFERED);
}

inline constexpr uint32_t IOCTRL_INIT_DRIVER = UsbCtrlCode(0x800);
inline constexpr uint32_t IOCTRL_GET_DRIVER_VERSION = UsbCtrlCode(0x801);
inline constexpr uint32_t IOCTRL_GET_PRODUCT_INFO = UsbCtrlCode(0x802);
inline constexpr uint32_t IOCTRL_READ_DATA = UsbCtrlCode(0x804);
inline constexpr uint32_t IOCTRL_WRITE_DATA = UsbCtrlCode(0x805);

inline constexpr uint32_t USBCTRL_MAX_WRITE_LENGTH = 256;
inline constexpr uint32_t USBCTRL_MAX_READ_LENGTH = 2052;
inline constexpr uint32_t USBCTRL_STRING_UNITS = 256;  // UTF-16 units per product string slot

// What the caller sends.
struct USBCTRL_REQUEST {
    uint32_t InitValue;                      // IOCTRL_INIT_DRIVER
    uint32_t Length;                         // IOCTRL_WRITE_DATA: bytes of Data to send
    uint8_t Data[USBCTRL_MAX_WRITE_LENGTH];  // IOCTRL_WRITE_DATA
    uint32_t HCIReadBufferSize;              // IOCTRL_READ_DATA: bytes to ask for
};

// What the driver returns; Data is laid out per request (see the views below).
struct USBCTRL_REPLY {
    uint32_t Status;  // IOCTRL_READ_DATA: the transfer's NTSTATUS
    uint32_t Length;  // IOCTRL_READ_DATA: bytes received
    uint8_t Data[USBCTRL_MAX_READ_LENGTH];
};

// USBCTRL_REPLY as filled by IOCTRL_GET_PRODUCT_INFO. Strings are UTF-16LE,
// NUL-terminated, as the device's string descriptors (language 0x0409) gave them.
struct USBCTRL_PRODUCT_INFO {
    uint32_t Status;
    uint32_t Length;
    uint16_t VendorId;
    uint16_t ProductId;
    uint16_t Manufacturer[USBCTRL_STRING_UNITS];
    uint16_t Product[USBCTRL_STRING_UNITS];
    uint16_t SerialNumber[USBCTRL_STRING_UNITS];
    uint16_t Configuration[USBCTRL_STRING_UNITS];
};

// USBCTRL_REPLY as filled by IOCTRL_GET_DRIVER_VERSION.
struct USBCTRL_VERSION_INFO {
    uint32_t Status;
    uint32_t Length;
    uint16_t Version[4];
    uint8_t Reserved[USBCTRL_MAX_READ_LENGTH - 8];
};

inline constexpr uint16_t USBCTRL_DRIVER_VERSION[4] = {1, 0, 0, 0};

static_assert(sizeof(UsbCtrlGuid) == 16);
static_assert(sizeof(USBCTRL_REQUEST) == 268);
static_assert(__builtin_offsetof(USBCTRL_REQUEST, InitValue) == 0);
static_assert(__builtin_offsetof(USBCTRL_REQUEST, Length) == 4);
static_assert(__builtin_offsetof(USBCTRL_REQUEST, Data) == 8);
static_assert(__builtin_offsetof(USBCTRL_REQUEST, HCIReadBufferSize) == 264);
static_assert(sizeof(USBCTRL_REPLY) == 2060);
static_assert(__builtin_offsetof(USBCTRL_REPLY, Status) == 0);
static_assert(__builtin_offsetof(USBCTRL_REPLY, Length) == 4);
static_assert(__builtin_offsetof(USBCTRL_REPLY, Data) == 8);
static_assert(sizeof(USBCTRL_PRODUCT_INFO) == 2060);
static_assert(__builtin_offsetof(USBCTRL_PRODUCT_INFO, VendorId) == 8);
static_assert(__builtin_offsetof(USBCTRL_PRODUCT_INFO, ProductId) == 10);
static_assert(__builtin_offsetof(USBCTRL_PRODUCT_INFO, Manufacturer) == 12);
static_assert(__builtin_offsetof(USBCTRL_PRODUCT_INFO, Product) == 524);
static_assert(__builtin_offsetof(USBCTRL_PRODUCT_INFO, SerialNumber) == 1036);
static_assert(__builtin_offsetof(USBCTRL_PRODUCT_INFO, Configuration) == 1548);
static_assert(sizeof(USBCTRL_VERSION_INFO) == 2060);
static_assert(__builtin_offsetof(USBCTRL_VERSION_INFO, Version) == 8);
static_assert(IOCTRL_INIT_DRIVER == 0x222000);
static_assert(IOCTRL_GET_DRIVER_VERSION == 0x222004);
static_assert(IOCTRL_GET_PRODUCT_INFO == 0x222008);
static_assert(IOCTRL_READ_DATA == 0x222010);
static_assert(IOCTRL_WRITE_DATA == 0x222014);
