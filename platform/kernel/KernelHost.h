// The user-mode kernel that hosts the driver on Linux: it owns the trace, the
// pool, the dispatcher, the I/O manager, the device interfaces, the Plug and
// Play manager (with its thread) and the USB bus. Exactly one host exists at a
// time; the kernel's C services reach it through CurrentHost().
//
// Typical use:
//   KernelHost host;                       // generation XP by default
//   host.RegisterDriver(DriverEntry);      // loaded when a device needs it
//   host.PlugDevice(projector);            // enumerate, AddDevice, start
//   HostedDeviceAccess access(host);       // the program's side
//   ... access.PresentInterfaces(USBCTRL_GUID), Open, IoControl, Close ...
//   host.UnplugDevice(projector);          // surprise removal
//   host.Shutdown();                       // also done by the destructor
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "common/UsbCtrl.h"
#include "platform/kernel/Dispatcher.h"
#include "platform/kernel/IoManager.h"
#include "platform/kernel/KernelFaults.h"
#include "platform/kernel/KernelTrace.h"
#include "platform/kernel/PoolTracker.h"
#include "platform/kernel/RemoveLockTags.h"
#include "platform/kernel/UsbDevice.h"
#include "platform/kernel/ddk/wdm.h"

namespace corvane::kernel {

class DeviceInterfaces;
class FileTable;
class PnpManager;
class UsbBus;

// What IoIsWdmVersionAvailable reports: WDM 1.00, 1.05, 1.10, 1.20.
enum class WindowsGeneration { Win98, WinMe, Win2000, WinXp };

struct AssertionRecord {
    std::string expression;
    std::string file;
    uint32_t line = 0;
    std::string message;
};

// Where a plugged device's node stands.
enum class DeviceState {
    NotPresent,       // not plugged, or its node is gone
    NoDriver,         // enumerated, but no function driver took it
    Starting,         // the start request is inside the driver: opens are refused
    Started,          // start request succeeded
    StartFailed,      // start request failed (and the node was kept)
    SurpriseRemoved,  // unplugged; its node waits for the last handle
};

class KernelHost {
public:
    struct Options {
        WindowsGeneration generation = WindowsGeneration::WinXp;
        bool echoTrace = false;
        // Tests read the trace; a program keeps none (see KernelTrace).
        bool keepTrace = true;
        // A failed start is followed by IRP_MN_REMOVE_DEVICE, as on Windows;
        // tests of a failed device's behaviour can keep the stack instead.
        bool removeOnFailedStart = true;
    };

    KernelHost();
    explicit KernelHost(Options options);
    ~KernelHost();
    KernelHost(const KernelHost&) = delete;
    KernelHost& operator=(const KernelHost&) = delete;

    // ---- Configuration
    void SetGeneration(WindowsGeneration generation);
    WindowsGeneration Generation() const;
    bool IsWdmVersionAvailable(UCHAR major, UCHAR minor) const;
    // IRQL that KeGetCurrentIrql reports in every thread (PASSIVE_LEVEL by
    // default), or higher in a thread that raised it.
    void SetIrql(KIRQL irql);
    KIRQL Irql() const;
    // The calling thread's IRQL, as KeRaiseIrql would set it: returns the
    // previous level, which LowerIrql restores.
    KIRQL RaiseIrql(KIRQL level);
    void LowerIrql(KIRQL previous);
    bool RemoveOnFailedStart() const;

    // ---- The function driver for USB devices (one), loaded on first use.
    void RegisterDriver(PDRIVER_INITIALIZE driverEntry, std::u16string serviceName = u"Dornik");
    bool DriverLoaded() const;
    int DriverEntryCalls() const;
    int DriverUnloadCalls() const;
    PDRIVER_OBJECT LoadedDriver() const;

    // ---- The USB bus. Plug and unplug return once the Plug and Play work
    // they cause is done (unless called on the Plug and Play thread).
    // A plugged device must outlive the host or be unplugged first.
    void PlugDevice(usb::UsbDevice& device);
    // The cable is pulled: requests on the device fail at once, the device is
    // reset so that it lets go of transfers it holds (a device that keeps one
    // for 5 s is reported as a violation), and surprise removal follows. Once
    // it returns, nothing of the host runs inside the device.
    void UnplugDevice(usb::UsbDevice& device);
    // Orderly removal ("safely remove"), then off the bus: query-remove and
    // remove. Refused with STATUS_DEVICE_BUSY while handles are open; a failed
    // query is cancelled and its status returned.
    NTSTATUS RemoveDevice(usb::UsbDevice& device);
    void WaitForPnpIdle();
    DeviceState StateOf(usb::UsbDevice& device);
    PDEVICE_OBJECT PhysicalDevice(usb::UsbDevice& device);  // null if none
    std::optional<DEVICE_CAPABILITIES> Capabilities(usb::UsbDevice& device);

    // Plug and Play and power requests to the top of the device's stack, sent
    // on the Plug and Play thread and waited for.
    RequestResult SendPnpRequest(usb::UsbDevice& device, UCHAR minorFunction);
    RequestResult SendPowerRequest(usb::UsbDevice& device, UCHAR minorFunction,
                                   POWER_STATE_TYPE type, POWER_STATE state,
                                   POWER_ACTION shutdownType = PowerActionNone);

    // Interface arrival and removal of a device without a driver stack (a
    // mouse, say), for the program's notifications.
    std::string SimulateForeignDeviceArrival(const UsbCtrlGuid& interfaceClass);
    void SimulateForeignDeviceRemoval(const std::string& path);

    // Unplugs every device (orderly where no handle is open), closes what the
    // program left open, unloads the driver and joins the threads. Idempotent.
    void Shutdown();

    // ---- Inspection
    KernelTrace& Trace() { return trace_; }
    PoolTracker& Pool() { return pool_; }
    KernelFaults& Faults() { return faults_; }
    std::vector<AssertionRecord> Assertions() const;
    void ClearAssertions();
    // Contract violations the kernel caught (a request returned without being
    // completed, a bad free, a device deleted while attached ...).
    std::vector<std::string> Violations() const;
    void ClearViolations();

    // ---- Used by the kernel's own parts
    void RecordAssertion(AssertionRecord record);
    void ReportViolation(const std::string& text);
    Dispatcher& Events() { return dispatcher_; }
    IoManager& Io() { return *io_; }
    DeviceInterfaces& Interfaces() { return *interfaces_; }
    PnpManager& Pnp() { return *pnp_; }
    UsbBus& Bus() { return *bus_; }
    FileTable& Files() { return *files_; }
    RemoveLockTags& LockTags() { return lockTags_; }

private:
    Options options_;
    std::atomic<WindowsGeneration> generation_;
    std::atomic<KIRQL> irql_{PASSIVE_LEVEL};
    mutable std::mutex irqlMutex_;
    std::unordered_map<std::thread::id, KIRQL> raisedIrql_;  // threads above irql_
    KernelTrace trace_;
    PoolTracker pool_;
    KernelFaults faults_;
    RemoveLockTags lockTags_;
    Dispatcher dispatcher_;
    mutable std::mutex recordsMutex_;
    std::vector<AssertionRecord> assertions_;
    std::vector<std::string> violations_;
    std::unique_ptr<IoManager> io_;
    std::unique_ptr<DeviceInterfaces> interfaces_;
    std::unique_ptr<PnpManager> pnp_;
    std::unique_ptr<UsbBus> bus_;
    std::unique_ptr<FileTable> files_;
    bool shutDown_ = false;
};

}  // namespace corvane::kernel
