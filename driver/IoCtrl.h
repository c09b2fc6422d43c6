// The device-control requests of the USBCTRL interface.
#pragma once

#include "driver/KernelApi.h"

NTSTATUS NTAPI DispatchIoControl(PDEVICE_OBJECT deviceObject, PIRP irp);
