// Reading one descriptor from the device.
#pragma once

#include "driver/DescriptorBounds.h"
#include "driver/KernelApi.h"

// One GET_DESCRIPTOR request through SendUrb. *received is the number of
// bytes the device delivered (never more than `length`).
NTSTATUS ReadDescriptor(PDEVICE_OBJECT deviceObject, UCHAR type, UCHAR index, USHORT languageId,
                        PVOID buffer, ULONG length, ULONG* received);
