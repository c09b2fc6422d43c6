#include "platform/kernel/FileTable.h"

#include <vector>

#include "platform/kernel/KernelHost.h"
#include "platform/kernel/PnpManager.h"

namespace corvane::kernel {

FileTable::FileTable(KernelHost& host) : host_(host) {}

FileTable::~FileTable() = default;

intptr_t FileTable::Open(std::string_view path, NTSTATUS* status) {
    PDEVICE_OBJECT pdo = nullptr;
    PDEVICE_OBJECT device = nullptr;
    *status = host_.Pnp().BeginOpen(path, &pdo, &device);
    if (!NT_SUCCESS(*status)) {
        return 0;
    }
    auto file = std::make_shared<File>();
    file->pdo = pdo;
    file->device = device;
    file->file = host_.Io().CreateFileObject(device);
    RequestResult created = host_.Io().SendFileRequest(device, file->file, IRP_MJ_CREATE);
    *status = created.status;
    if (!NT_SUCCESS(created.status)) {
        host_.Io().DeleteFileObject(file->file);
        host_.Pnp().FileClosed(pdo);
        return 0;
    }
    std::lock_guard lock(mutex_);
    intptr_t handle = nextHandle_++;
    files_.emplace(handle, std::move(file));
    return handle;
}

std::shared_ptr<FileTable::File> FileTable::Use(intptr_t handle) {
    std::shared_ptr<File> file;
    {
        std::lock_guard lock(mutex_);
        auto it = files_.find(handle);
        if (it == files_.end()) {
            return nullptr;
        }
        file = it->second;
    }
    std::lock_guard lock(file->mutex);
    ++file->users;
    return file;
}

void FileTable::Release(const std::shared_ptr<File>& file) {
    bool finish;
    {
        std::lock_guard lock(file->mutex);
        --file->users;
        finish = file->users == 0 && file->closing;
    }
    if (finish) {
        Finish(file);
    }
}

void FileTable::Finish(const std::shared_ptr<File>& file) {
    host_.Io().SendFileRequest(file->device, file->file, IRP_MJ_CLEANUP);
    host_.Io().SendFileRequest(file->device, file->file, IRP_MJ_CLOSE);
    host_.Io().DeleteFileObject(file->file);
    host_.Pnp().FileClosed(file->pdo);
}

RequestResult FileTable::DeviceControl(intptr_t handle, ULONG code, const void* in, ULONG inLength,
                                       void* out, ULONG outLength) {
    std::shared_ptr<File> file = Use(handle);
    if (!file) {
        return RequestResult{STATUS_INVALID_HANDLE, 0, false};
    }
    RequestResult result =
        host_.Io().DeviceControl(file->device, file->file, code, in, inLength, out, outLength);
    Release(file);
    return result;
}

RequestResult FileTable::ReadWrite(intptr_t handle, UCHAR major, void* buffer, ULONG length) {
    std::shared_ptr<File> file = Use(handle);
    if (!file) {
        return RequestResult{STATUS_INVALID_HANDLE, 0, false};
    }
    RequestResult result = host_.Io().ReadWrite(file->device, file->file, major, buffer, length);
    Release(file);
    return result;
}

NTSTATUS FileTable::Close(intptr_t handle) {
    std::shared_ptr<File> file;
    {
        std::lock_guard lock(mutex_);
        auto it = files_.find(handle);
        if (it == files_.end()) {
            return STATUS_INVALID_HANDLE;
        }
        file = std::move(it->second);
        files_.erase(it);
    }
    bool finish;
    {
        std::lock_guard lock(file->mutex);
        file->closing = true;
        finish = file->users == 0;
    }
    if (finish) {
        Finish(file);
    }
    return STATUS_SUCCESS;
}

void FileTable::CloseAll() {
    std::vector<intptr_t> handles;
    {
        std::lock_guard lock(mutex_);
        for (auto& [handle, file] : files_) {
            handles.push_back(handle);
        }
    }
    for (intptr_t handle : handles) {
        Close(handle);
    }
}

std::size_t FileTable::OpenCount() const {
    std::lock_guard lock(mutex_);
    return files_.size();
}

}  // namespace corvane::kernel
