#include "platform/win32/Win32DeviceAccess.h"

#include <vector>

// clang-format off
#include "platform/win32/WinApi.h"
#include <setupapi.h>
// clang-format on

#include "platform/win32/GuidConversion.h"

namespace corvane::win32 {

namespace {

HANDLE ToHandle(platform::DeviceHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// The path of one interface of the list; empty when its detail record
// cannot be read.
std::string InterfacePath(HDEVINFO list, SP_DEVICE_INTERFACE_DATA& data) {
    DWORD size = 0;
    SetupDiGetDeviceInterfaceDetailA(list, &data, nullptr, 0, &size, nullptr);
    if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
        return "";
    }
    // Aligned storage for the record: its fixed part holds a DWORD.
    std::vector<DWORD> storage((size + sizeof(DWORD) - 1) / sizeof(DWORD));
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(storage.data());
    // The size of the fixed part as this build lays it out (5 on 32-bit
    // Windows, 8 on 64-bit), not the size of the whole record.
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(list, &data, detail, size, nullptr, nullptr)) {
        return "";
    }
    const size_t room = size - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
    return std::string(detail->DevicePath, strnlen(detail->DevicePath, room));
}

}  // namespace

std::vector<std::string> Win32DeviceAccess::PresentInterfaces(const UsbCtrlGuid& interfaceClass) {
    std::vector<std::string> paths;
    const GUID guid = ToSystemGuid(interfaceClass);
    HDEVINFO list =
        SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list == INVALID_HANDLE_VALUE) {
        return paths;
    }
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof data;
        if (!SetupDiEnumDeviceInterfaces(list, nullptr, &guid, index, &data)) {
            break;  // ERROR_NO_MORE_ITEMS, or the list cannot be read further
        }
        std::string path = InterfacePath(list, data);
        if (!path.empty()) {
            paths.push_back(std::move(path));
        }
    }
    SetupDiDestroyDeviceInfoList(list);
    return paths;
}

platform::DeviceHandle Win32DeviceAccess::Open(const char* path) {
    if (path == nullptr) {
        return platform::kInvalidDeviceHandle;
    }
    HANDLE handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return platform::kInvalidDeviceHandle;
    }
    return reinterpret_cast<platform::DeviceHandle>(handle);
}

bool Win32DeviceAccess::IoControl(platform::DeviceHandle handle, uint32_t code, const void* in,
                                  uint32_t inSize, void* out, uint32_t outSize,
                                  uint32_t* bytesReturned) {
    DWORD returned = 0;
    const BOOL ok = DeviceIoControl(ToHandle(handle), code, const_cast<void*>(in), inSize, out,
                                    outSize, &returned, nullptr);
    if (bytesReturned != nullptr) {
        *bytesReturned = ok ? returned : 0;
    }
    return ok != FALSE;
}

void Win32DeviceAccess::Close(platform::DeviceHandle handle) {
    if (handle != platform::kInvalidDeviceHandle) {
        CloseHandle(ToHandle(handle));
    }
}

}  // namespace corvane::win32
