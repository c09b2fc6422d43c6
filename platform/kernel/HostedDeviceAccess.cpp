#include "platform/kernel/HostedDeviceAccess.h"

#include <algorithm>

#include "platform/kernel/DeviceInterfaces.h"
#include "platform/kernel/FileTable.h"

namespace corvane::kernel {

namespace {

GUID ToGuid(const UsbCtrlGuid& guid) {
    GUID result;
    __builtin_memcpy(&result, &guid, sizeof result);
    return result;
}

}  // namespace

bool HostedDeviceAccess::Finish(NTSTATUS status) {
    if (!NT_SUCCESS(status)) {
        std::lock_guard lock(mutex_);
        lastStatus_[std::this_thread::get_id()] = status;
        return false;
    }
    return true;
}

HostedDeviceAccess::HostedDeviceAccess(KernelHost& host) : host_(host) {}

HostedDeviceAccess::~HostedDeviceAccess() {
    for (int id : registrations_) {
        host_.Interfaces().Unlisten(id);
    }
}

std::vector<std::string> HostedDeviceAccess::PresentInterfaces(const UsbCtrlGuid& interfaceClass) {
    return host_.Interfaces().Present(ToGuid(interfaceClass));
}

platform::DeviceHandle HostedDeviceAccess::Open(const char* path) {
    if (path == nullptr) {
        Finish(STATUS_INVALID_PARAMETER);
        return platform::kInvalidDeviceHandle;
    }
    NTSTATUS status;
    intptr_t handle = host_.Files().Open(path, &status);
    if (handle == 0) {
        Finish(NT_SUCCESS(status) ? STATUS_UNSUCCESSFUL : status);
        return platform::kInvalidDeviceHandle;
    }
    return handle;
}

bool HostedDeviceAccess::IoControl(platform::DeviceHandle handle, uint32_t code, const void* in,
                                   uint32_t inSize, void* out, uint32_t outSize,
                                   uint32_t* bytesReturned) {
    if (bytesReturned != nullptr) {
        *bytesReturned = 0;
    }
    RequestResult result =
        host_.Files().DeviceControl(handle, code, in, in ? inSize : 0, out, out ? outSize : 0);
    if (bytesReturned != nullptr && !NT_ERROR(result.status)) {
        *bytesReturned = static_cast<uint32_t>(result.information);
    }
    return Finish(result.status);
}

void HostedDeviceAccess::Close(platform::DeviceHandle handle) {
    Finish(host_.Files().Close(handle));
}

bool HostedDeviceAccess::Read(platform::DeviceHandle handle, void* buffer, uint32_t length,
                              uint32_t* bytesRead) {
    RequestResult result = host_.Files().ReadWrite(handle, IRP_MJ_READ, buffer, length);
    if (bytesRead != nullptr) {
        *bytesRead = static_cast<uint32_t>(result.information);
    }
    return Finish(result.status);
}

bool HostedDeviceAccess::Write(platform::DeviceHandle handle, const void* buffer, uint32_t length,
                               uint32_t* bytesWritten) {
    RequestResult result =
        host_.Files().ReadWrite(handle, IRP_MJ_WRITE, const_cast<void*>(buffer), length);
    if (bytesWritten != nullptr) {
        *bytesWritten = static_cast<uint32_t>(result.information);
    }
    return Finish(result.status);
}

NTSTATUS HostedDeviceAccess::LastStatus() const {
    std::lock_guard lock(mutex_);
    auto it = lastStatus_.find(std::this_thread::get_id());
    return it == lastStatus_.end() ? STATUS_SUCCESS : it->second;
}

int HostedDeviceAccess::RegisterNotification(const UsbCtrlGuid& interfaceClass,
                                             Notification callback) {
    int id = host_.Interfaces().Listen(ToGuid(interfaceClass), std::move(callback));
    registrations_.push_back(id);
    return id;
}

void HostedDeviceAccess::UnregisterNotification(int id) {
    auto it = std::find(registrations_.begin(), registrations_.end(), id);
    if (it == registrations_.end()) {
        return;
    }
    registrations_.erase(it);
    host_.Interfaces().Unlisten(id);
}

}  // namespace corvane::kernel
