// Handles that the program holds on device interfaces. Open sends
// IRP_MJ_CREATE to the top of the device's stack; requests on a handle go to
// the device it was opened on; closing sends IRP_MJ_CLEANUP and IRP_MJ_CLOSE
// once no request on the handle is still running, and a surprise-removed
// device is removed after its last handle closes.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>

#include "platform/kernel/IoManager.h"

namespace corvane::kernel {

class KernelHost;

class FileTable {
public:
    explicit FileTable(KernelHost& host);
    ~FileTable();

    // A handle (> 0), or 0 with *status saying why not.
    intptr_t Open(std::string_view path, NTSTATUS* status);
    RequestResult DeviceControl(intptr_t handle, ULONG code, const void* in, ULONG inLength,
                                void* out, ULONG outLength);
    RequestResult ReadWrite(intptr_t handle, UCHAR major, void* buffer, ULONG length);
    NTSTATUS Close(intptr_t handle);
    void CloseAll();
    std::size_t OpenCount() const;

private:
    struct File {
        PDEVICE_OBJECT pdo;
        PDEVICE_OBJECT device;
        PFILE_OBJECT file;
        std::mutex mutex;
        int users = 0;
        bool closing = false;
    };

    std::shared_ptr<File> Use(intptr_t handle);
    void Release(const std::shared_ptr<File>& file);
    void Finish(const std::shared_ptr<File>& file);

    KernelHost& host_;
    mutable std::mutex mutex_;
    std::map<intptr_t, std::shared_ptr<File>> files_;
    intptr_t nextHandle_ = 1;
};

}  // namespace corvane::kernel
