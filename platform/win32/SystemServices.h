// The small Windows services the front ends call directly: COM for the UI
// thread, the debugger output, the HID class as the system reports it.
#pragma once

#include "common/UsbCtrl.h"
#include "platform/DebugOutput.h"

namespace corvane::win32 {

// CoInitialize for the calling thread; false when COM cannot be used.
bool InitializeCom();
// Undoes one successful InitializeCom on the same thread.
void UninitializeCom();

// A DebugOutput sink that writes each text with OutputDebugStringA.
platform::DebugOutput::Sink DebuggerSink();

// HidD_GetHidGuid.
UsbCtrlGuid HidClassGuid();

}  // namespace corvane::win32
