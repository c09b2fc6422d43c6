// The per-device record of Dornik, kept as the device object's extension.
#pragma once

#include "common/UsbCtrl.h"
#include "driver/KernelApi.h"
#include "driver/RequestCount.h"

// Every pool allocation of the driver carries the tag "Wdm " (57 64 6D 20).
inline constexpr ULONG kDornikPoolTag = 0x206D6457;

inline constexpr USHORT kLanguageEnglishUs = 0x0409;

typedef struct _DEVICE_EXTENSION {
    PDEVICE_OBJECT Self;
    PDEVICE_OBJECT PhysicalDeviceObject;
    PDEVICE_OBJECT LowerDeviceObject;  // target of everything passed down
    UNICODE_STRING SymbolicLinkName;
    USB_DEVICE_DESCRIPTOR DeviceDescriptor;
    USB_CONFIGURATION_DESCRIPTOR ConfigDescriptor;  // head of the first configuration
    USBD_CONFIGURATION_HANDLE ConfigHandle;
    USBD_PIPE_HANDLE HCIInputHandle;   // reads: the selected interface's first pipe
    USBD_PIPE_HANDLE HCIOutputHandle;  // writes: its second pipe
    USHORT LanguageId;
    WCHAR Manufacturer[USBCTRL_STRING_UNITS];
    WCHAR Product[USBCTRL_STRING_UNITS];
    WCHAR SerialNumber[USBCTRL_STRING_UNITS];
    WCHAR Configuration[USBCTRL_STRING_UNITS];
    ULONG InitValue;  // stored by IOCTRL_INIT_DRIVER, read by nothing
    UCHAR SurpriseRemoved;
    REQUEST_COUNT Requests;  // drained by removal before this record goes
} DEVICE_EXTENSION, *PDEVICE_EXTENSION;

inline PDEVICE_EXTENSION GetDeviceExtension(PDEVICE_OBJECT deviceObject) {
    return static_cast<PDEVICE_EXTENSION>(deviceObject->DeviceExtension);
}
