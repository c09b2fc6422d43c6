// Power requests: queries are always answered with success.
#pragma once

#include "driver/KernelApi.h"

NTSTATUS NTAPI DispatchPower(PDEVICE_OBJECT deviceObject, PIRP irp);
NTSTATUS NTAPI QueryPowerComplete(PDEVICE_OBJECT deviceObject, PIRP irp, PVOID context);
