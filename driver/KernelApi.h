// The one door from Dornik to the kernel. On Windows it is the DDK that
// mingw-w64 ships; on Linux it is the user-mode kernel that hosts the driver
// in-process, which declares the same names. Nothing else in driver/ includes
// a kernel or system header.
#pragma once

// DORNIK_HOSTED: a Windows program that hosts the driver in-process, as
// Linux does (corvane-cli.exe --simulate).
#if defined(_WIN32) && !defined(DORNIK_HOSTED)

// The mingw DDK declares these intrinsics a second time unless told they exist.
#define __INTRINSIC_DEFINED_InterlockedBitTestAndSet
#define __INTRINSIC_DEFINED_InterlockedBitTestAndReset
// The order matters: each header needs the ones before it.
// clang-format off
#include <ddk/wdm.h>
extern "C" {
#include <usb.h>
#include <usbioctl.h>
#include <ddk/usbdlib.h>
}
// clang-format on

// WCHAR is 16-bit wchar_t here.
#define DORNIK_WIDE(text) L##text

#else

// clang-format off
#include "platform/kernel/ddk/wdm.h"
#include "platform/kernel/ddk/usb.h"
#include "platform/kernel/ddk/usbioctl.h"
#include "platform/kernel/ddk/usbdlib.h"
// clang-format on

// WCHAR is char16_t in the hosted kernel: wchar_t is 32-bit on Linux.
#define DORNIK_WIDE(text) u##text

#endif

// Trace a pointer as a 32-bit value whatever the pointer size, so the trace
// format strings stay those of the 32-bit driver.
#define DORNIK_TRACE_PTR(pointer) ((ULONG)(ULONG_PTR)(pointer))
