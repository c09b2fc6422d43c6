// Driver entry and unload, and the driver-wide operating system generation.
#pragma once

#include "driver/KernelApi.h"

// Generation of the loading system, set once by DriverEntry.
enum : ULONG {
    kWindows98 = 0,
    kWindowsMe = 1,
    kWindows2000 = 2,
    kWindowsXp = 3,
};

extern ULONG Windows;

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driverObject, PUNICODE_STRING registryPath);

VOID NTAPI DriverUnload(PDRIVER_OBJECT driverObject);
