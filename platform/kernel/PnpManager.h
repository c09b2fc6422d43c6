// The Plug and Play manager: one thread on which all Plug and Play work runs
// at PASSIVE_LEVEL, the function driver (loaded on first use, unloaded after
// its last device), and a node per physical device object that follows the
// device through AddDevice, start, surprise removal and removal (after the
// last handle is closed).
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "platform/kernel/IoManager.h"
#include "platform/kernel/KernelHost.h"

namespace corvane::kernel {

class PnpManager {
public:
    explicit PnpManager(KernelHost& host);
    ~PnpManager();
    PnpManager(const PnpManager&) = delete;
    PnpManager& operator=(const PnpManager&) = delete;

    // ---- The thread
    void Post(std::function<void()> work);
    // Runs `work` on the Plug and Play thread and waits (inline when called there).
    void RunAndWait(const std::function<void()>& work);
    // Waits until no work is queued or running (returns at once on the thread).
    void WaitIdle();
    bool OnPnpThread() const;
    // Finishes the queued work and joins the thread.
    void Stop();

    // ---- The function driver
    void RegisterDriver(PDRIVER_INITIALIZE entry, std::u16string serviceName);
    bool DriverLoaded() const;
    int DriverEntryCalls() const;
    int DriverUnloadCalls() const;
    PDRIVER_OBJECT Driver() const;

    // ---- Devices (Plug and Play thread). deletePdo is called once the node
    // is finished with the physical device object.
    void DeviceArrived(PDEVICE_OBJECT pdo, std::function<void()> deletePdo);
    void DeviceGone(PDEVICE_OBJECT pdo);
    // Query-remove and remove; the node is finished on success.
    NTSTATUS OrderlyRemove(PDEVICE_OBJECT pdo);

    // ---- Handles (any thread)
    // Top of the stack of an enabled interface's device, counted as an open
    // file; STATUS_OBJECT_NAME_NOT_FOUND or STATUS_DELETE_PENDING otherwise.
    NTSTATUS BeginOpen(std::string_view path, PDEVICE_OBJECT* pdo, PDEVICE_OBJECT* top);
    // The file is closed (or its open failed): removal may follow.
    void FileClosed(PDEVICE_OBJECT pdo);

    // ---- Inspection and requests
    DeviceState StateOf(PDEVICE_OBJECT pdo) const;
    std::optional<DEVICE_CAPABILITIES> Capabilities(PDEVICE_OBJECT pdo) const;
    RequestResult SendPnp(PDEVICE_OBJECT pdo, UCHAR minor);
    RequestResult SendPower(PDEVICE_OBJECT pdo, UCHAR minor, POWER_STATE_TYPE type,
                            POWER_STATE state, POWER_ACTION shutdownType);

private:
    struct Node {
        std::function<void()> deletePdo;
        DeviceState state = DeviceState::NoDriver;
        bool hasStack = false;
        bool removing = false;
        bool removeWhenClosed = false;
        bool finishWhenClosed = false;  // removed while handles were open (98/ME)
        int openFiles = 0;
        std::optional<DEVICE_CAPABILITIES> capabilities;
    };

    void Run();
    bool EnsureDriverLoaded();
    void UnloadDriverIfUnused();
    RequestResult SendPnpNow(PDEVICE_OBJECT pdo, UCHAR minor);
    void StartNode(PDEVICE_OBJECT pdo);
    void RemoveStack(PDEVICE_OBJECT pdo);
    void FinishNode(PDEVICE_OBJECT pdo);

    KernelHost& host_;

    // The thread and its queue.
    std::mutex queueMutex_;
    std::condition_variable queueChanged_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> queue_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;
    std::thread::id threadId_;

    // Driver and nodes.
    mutable std::mutex mutex_;
    PDRIVER_INITIALIZE entry_ = nullptr;
    std::u16string serviceName_;
    PDRIVER_OBJECT driver_ = nullptr;
    int entryCalls_ = 0;
    int unloadCalls_ = 0;
    std::map<PDEVICE_OBJECT, Node> nodes_;
};

}  // namespace corvane::kernel
