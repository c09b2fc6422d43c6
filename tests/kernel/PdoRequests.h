// Requests sent straight to a hosted USB device's physical device object, as
// a function driver would send them to the device below it.
#pragma once

#include "platform/kernel/KernelHost.h"
#include "platform/kernel/ddk/usbdlib.h"
#include "platform/kernel/ddk/usbioctl.h"

namespace corvane::kernel::test {

// A Plug and Play request with no stack above the physical device object.
NTSTATUS SendPnpToPdo(KernelHost& host, PDEVICE_OBJECT pdo, UCHAR minor);
// IOCTL_INTERNAL_USB_SUBMIT_URB, waited for.
NTSTATUS SubmitUrbToPdo(PDEVICE_OBJECT pdo, PURB urb);
// A device descriptor request: the URB that every state must answer somehow.
NTSTATUS ReadDeviceDescriptorFromPdo(PDEVICE_OBJECT pdo);

}  // namespace corvane::kernel::test
