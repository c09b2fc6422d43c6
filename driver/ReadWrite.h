// Plain read and write requests over the selected interface's two pipes.
#pragma once

#include "driver/KernelApi.h"

NTSTATUS NTAPI DispatchRead(PDEVICE_OBJECT deviceObject, PIRP irp);
NTSTATUS NTAPI DispatchWrite(PDEVICE_OBJECT deviceObject, PIRP irp);
