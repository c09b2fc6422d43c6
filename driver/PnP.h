// Plug and Play requests and their handlers, device start-up and string reading.
#pragma once

#include "driver/KernelApi.h"

NTSTATUS NTAPI DispatchPnP(PDEVICE_OBJECT deviceObject, PIRP irp);
NTSTATUS PnPStartDevice(PDEVICE_OBJECT deviceObject, PIRP irp);
NTSTATUS PnPRemoveDevice(PDEVICE_OBJECT deviceObject, PIRP irp);
NTSTATUS PnPSurpriseRemoveDevice(PDEVICE_OBJECT deviceObject, PIRP irp);
NTSTATUS PnPCancelStopDevice(PDEVICE_OBJECT deviceObject, PIRP irp);
NTSTATUS NTAPI QueryCapabilitiesComplete(PDEVICE_OBJECT deviceObject, PIRP irp, PVOID context);

// Reads string descriptor `index` in the device's language into `string`,
// whose buffer holds at least 258 bytes of non-paged memory: the descriptor
// itself is read into it. A failed read leaves it all zero.
NTSTATUS GetUsbString(PDEVICE_OBJECT deviceObject, UCHAR index, PUNICODE_STRING string);
