// The interface list of start-up: the interface descriptors of alternate
// setting 0 in the configuration, and which of them the driver runs the
// device through.
#pragma once

#include "driver/KernelApi.h"

struct InterfaceList {
    PUSBD_INTERFACE_LIST_ENTRY entries;  // count entries and an all-zero terminator
    ULONG count;
    ULONG selected;  // last entry named "Projector Control" or "Projector Flash", else 0
};

// Walks `config` (its wTotalLength already bounded to what is safe to read),
// tracing each interface descriptor, alternate settings too, and its
// endpoints. Fails with STATUS_INSUFFICIENT_RESOURCES when the list cannot
// be allocated.
NTSTATUS BuildInterfaceList(PDEVICE_OBJECT deviceObject, PUSB_CONFIGURATION_DESCRIPTOR config,
                            InterfaceList* list);
