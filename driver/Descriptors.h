// Reading descriptors from the device, and bounding what the device sent so
// that no walk over it leaves the buffer or loops.
#pragma once

#include "driver/KernelApi.h"

// One GET_DESCRIPTOR request through SendUrb. *received is the number of
// bytes the device delivered (never more than `length`).
NTSTATUS ReadDescriptor(PDEVICE_OBJECT deviceObject, UCHAR type, UCHAR index, USHORT languageId,
                        PVOID buffer, ULONG length, ULONG* received);

// How much of a configuration descriptor of `length` received bytes can be
// walked: at most its wTotalLength, and cut before the first descriptor that
// is shorter than two bytes, runs past the end, or is an interface or
// endpoint descriptor too short for its fields. 0 if not even the 9-byte
// head is usable.
ULONG UsableConfigurationLength(const UCHAR* buffer, ULONG length);

inline constexpr ULONG kConfigurationHeadLength = 9;
inline constexpr ULONG kInterfaceDescriptorLength = 9;
inline constexpr ULONG kEndpointDescriptorLength = 7;
