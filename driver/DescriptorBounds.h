// Bounding what the device sent as its configuration descriptor, so that no
// walk over it leaves the buffer or loops: descriptors come from the device
// and are not trusted.
#pragma once

#include "driver/KernelApi.h"

inline constexpr ULONG kConfigurationHeadLength = 9;
inline constexpr ULONG kInterfaceDescriptorLength = 9;
inline constexpr ULONG kEndpointDescriptorLength = 7;

// How much of a configuration descriptor of `length` received bytes can be
// walked: at most its wTotalLength, and cut before the first descriptor that
// is shorter than two bytes, runs past the end, or is an interface or
// endpoint descriptor too short for its fields. 0 if not even the 9-byte
// head is usable.
ULONG UsableConfigurationLength(const UCHAR* buffer, ULONG length);
