#include "platform/NativeDevices.h"

#include "platform/win32/Win32System.h"

namespace corvane::platform {

std::unique_ptr<NativeDevices> OpenNativeDevices() {
    return std::make_unique<win32::Win32System>();
}

}  // namespace corvane::platform
