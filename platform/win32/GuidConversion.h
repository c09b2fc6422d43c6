// The contract's GUID and the system's GUID have the same layout; these copy
// between them without relying on it.
#pragma once

#include "common/UsbCtrl.h"
#include "platform/win32/WinApi.h"

namespace corvane::win32 {

inline GUID ToSystemGuid(const UsbCtrlGuid& guid) {
    GUID out{};
    out.Data1 = guid.Data1;
    out.Data2 = guid.Data2;
    out.Data3 = guid.Data3;
    for (int i = 0; i < 8; ++i) {
        out.Data4[i] = guid.Data4[i];
    }
    return out;
}

inline UsbCtrlGuid FromSystemGuid(const GUID& guid) {
    UsbCtrlGuid out{};
    out.Data1 = guid.Data1;
    out.Data2 = guid.Data2;
    out.Data3 = guid.Data3;
    for (int i = 0; i < 8; ++i) {
        out.Data4[i] = guid.Data4[i];
    }
    return out;
}

}  // namespace corvane::win32
