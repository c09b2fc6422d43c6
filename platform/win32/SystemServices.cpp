#include "platform/win32/SystemServices.h"

// clang-format off
#include "platform/win32/WinApi.h"
#include <objbase.h>
// mingw's hidsdi.h declares the HID library without C linkage.
extern "C" {
#include <hidsdi.h>
}
// clang-format on

#include "platform/win32/GuidConversion.h"

namespace corvane::win32 {

bool InitializeCom() {
    // S_FALSE (already initialised on this thread) counts too: it must be
    // balanced by CoUninitialize all the same.
    return SUCCEEDED(CoInitialize(nullptr));
}

void UninitializeCom() {
    CoUninitialize();
}

platform::DebugOutput::Sink DebuggerSink() {
    return [](const char* text) {
        if (text != nullptr) {
            OutputDebugStringA(text);
        }
    };
}

UsbCtrlGuid HidClassGuid() {
    GUID guid{};
    HidD_GetHidGuid(&guid);
    return FromSystemGuid(guid);
}

}  // namespace corvane::win32
