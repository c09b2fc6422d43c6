// Discovery and connection: the first present interface of the driver's
// class, checked with the product information, opened, and its job's reader
// and download threads started in the order the threads rely on.
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "app/device/DevicePath.h"
#include "app/device/ProductInfoCheck.h"
#include "app/device/ProjectorDeviceLink.h"
#include "app/engine/CommandChannel.h"
#include "app/engine/DownloadJobOps.h"
#include "app/ui/WindowMessages.h"

namespace corvane {

namespace {

// The slot whose device handle is free; -1 when every slot is in use.
int FreeSlot(const EngineContext& engine) {
    for (int slot = 0; slot < kDeviceSlots; ++slot) {
        if (engine.devices[slot].deviceHandle == platform::kInvalidDeviceHandle) {
            return slot;
        }
    }
    return -1;
}

bool IsConnectedPath(const EngineContext& engine, const char* path) {
    for (const DeviceRecord& record : engine.devices) {
        if (record.deviceHandle != platform::kInvalidDeviceHandle &&
            IsSameDevicePath(record, path)) {
            return true;
        }
    }
    return false;
}

// Posts TM_START until the new thread has its queue. A thread that has ended
// will never take it.
void PostStart(platform::MessageThread& thread, platform::LParam object) {
    while (!thread.Post(TM_START, 0, object)) {
        if (thread.Join(0)) {
            return;
        }
        std::this_thread::sleep_for(
            std::chrono::milliseconds(ProjectorDeviceLink::kStartPostRetryMs));
    }
}

}  // namespace

void ProjectorDeviceLink::ScanForProjector() {
    platform::DeviceAccess* access = engine_.deviceAccess;
    if (access == nullptr) {
        return;
    }
    const int slot = FreeSlot(engine_);
    const std::vector<std::string> paths = access->PresentInterfaces(USBCTRL_GUID);
    if (paths.empty()) {
        return;
    }
    // Only the first interface is ever looked at.
    const std::string& path = paths[0];
    if (IsConnectedPath(engine_, path.c_str())) {
        arrivalWhileInUse_ = true;
        return;  // that projector is already connected
    }
    if (slot < 0) {
        // One projector at a time: another one arriving must not disturb the
        // connected projector's job.
        arrivalWhileInUse_ = true;
        return;
    }
    if (path.size() >= sizeof(DeviceRecord::devicePath)) {
        RefuseLongPath(path);
        return;
    }
    refusedPath_.clear();

    const platform::DeviceHandle handle = access->Open(path.c_str());
    if (handle == platform::kInvalidDeviceHandle) {
        return;
    }
    USBCTRL_REPLY reply;
    std::memset(&reply, 0, sizeof(reply));
    // A failed request leaves the reply zeroed, which the check refuses.
    access->IoControl(handle, IOCTRL_GET_PRODUCT_INFO, nullptr, 0, &reply, sizeof(reply), nullptr);
    USBCTRL_PRODUCT_INFO info;
    std::memcpy(&info, &reply, sizeof(info));
    if (!IsProjectorInFlashMode(info)) {
        access->Close(handle);
        return;
    }
    ConnectSlot(slot, path, handle);
}

// Fills the slot and starts its threads: path, handle, count and reply event
// are set before either thread starts; the reader starts before the download
// thread; each gets TM_START only once it runs.
bool ProjectorDeviceLink::ConnectSlot(int slot, const std::string& path,
                                      platform::DeviceHandle handle) {
    DeviceRecord& record = Slot(slot);
    arrivalWhileInUse_ = false;  // what was turned away so far was seen
    StoreDevicePath(record, path.c_str());
    record.deviceHandle = handle;
    record.receivedCount = 0;
    record.replyEvent = std::make_unique<platform::Event>();

    if (!StartReaderThread(slot) || !StartDownloadThread(slot)) {
        // No thread could be made: give the device back as if never opened.
        CloseDevice(slot);
        return false;
    }
    return true;
}

bool ProjectorDeviceLink::StartReaderThread(int slot) {
    DeviceRecord& record = Slot(slot);
    auto link = std::make_unique<ReaderLink>(&engine_);
    link->thread = platform::MessageThread::StartSuspended(ReaderThreadMain, link.get());
    if (link->thread == nullptr) {
        return false;
    }
    readerLinks_[slot] = std::move(link);
    ReaderLink& reader = *readerLinks_[slot];
    record.readerLink = &reader;
    reader.slot = static_cast<uint8_t>(slot);
    reader.thread->Resume();
    PostStart(*reader.thread, reinterpret_cast<platform::LParam>(&reader));
    return true;
}

bool ProjectorDeviceLink::StartDownloadThread(int slot) {
    DeviceRecord& record = Slot(slot);
    auto job = std::make_unique<DownloadJob>(&engine_);
    job->thread = platform::MessageThread::StartSuspended(DownloadThreadMain, job.get());
    if (job->thread == nullptr) {
        return false;
    }
    jobs_[slot] = std::move(job);
    DownloadJob& download = *jobs_[slot];
    record.job = &download;
    download.slot = static_cast<uint8_t>(slot);
    download.serial = ++jobsStarted_;
    download.thread->Resume();
    PostStart(*download.thread, reinterpret_cast<platform::LParam>(&download));
    return true;
}

void ProjectorDeviceLink::RefuseLongPath(const std::string& path) {
    if (path == refusedPath_) {
        return;  // told once while that device stays
    }
    refusedPath_ = path;
    const std::string text = "The projector cannot be used: its device path is longer than " +
                             std::to_string(sizeof(DeviceRecord::devicePath) - 1) +
                             " characters:\n" + path;
    ShowErrorBox(text.c_str());
}

}  // namespace corvane
