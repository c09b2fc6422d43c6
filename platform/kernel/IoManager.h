// The I/O manager of the hosted kernel: driver and device objects, device
// stacks, IRPs with their stack locations, sending (IofCallDriver) and
// completing (IofCompleteRequest) with completion routines, and the requests
// that the host itself originates (user-mode create, close, device control,
// read and write; Plug and Play and power requests).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "platform/kernel/IrpQuarantine.h"
#include "platform/kernel/PendingLedger.h"
#include "platform/kernel/ddk/wdm.h"

namespace corvane::kernel {

class KernelHost;

enum class IrpOrigin : uint8_t {
    Allocated,  // IoAllocateIrp: the driver frees it
    Built,      // IoBuildDeviceIoControlRequest: freed by the kernel at completion
    Host,       // sent and waited for by the host, which frees it
};

// Kept in front of every IRP.
struct IrpPrivate {
    uint32_t magic;
    IrpOrigin origin;
    bool startNextPowerCalled;
    // PoStartNextPowerIrp since the last driver passed the request down.
    bool powerStarted;
    // Stack locations whose completion routine owes PoStartNextPowerIrp:
    // their driver passed the request down without calling it first.
    uint32_t powerStartsOwed;
    bool bufferedControl;  // a METHOD_BUFFERED device-control request
    ULONG outputLength;    // bytes the caller's output buffer holds
    KEVENT hostEvent;      // Host IRPs: signalled by final processing
    IO_STATUS_BLOCK hostIosb;
    // Shared with the sends still running, which may outlive the IRP.
    std::shared_ptr<PendingLedger> pending;
};

// The result of a host request that the host waited for.
struct RequestResult {
    NTSTATUS status = STATUS_SUCCESS;
    ULONG_PTR information = 0;
    bool startNextPowerCalled = false;
};

class IoManager {
public:
    explicit IoManager(KernelHost& host);
    ~IoManager();
    IoManager(const IoManager&) = delete;
    IoManager& operator=(const IoManager&) = delete;

    // ---- Driver objects: every MajorFunction starts as the default answer.
    PDRIVER_OBJECT CreateDriverObject(std::u16string_view name);
    void DeleteDriverObject(PDRIVER_OBJECT driver);
    static NTSTATUS NTAPI DefaultDispatch(PDEVICE_OBJECT device, PIRP irp);

    // ---- Device objects and stacks
    NTSTATUS CreateDevice(PDRIVER_OBJECT driver, ULONG extensionSize, DEVICE_TYPE type,
                          ULONG characteristics, bool exclusive, PDEVICE_OBJECT* device);
    void DeleteDevice(PDEVICE_OBJECT device);
    PDEVICE_OBJECT AttachToStack(PDEVICE_OBJECT source, PDEVICE_OBJECT target);
    void Detach(PDEVICE_OBJECT target);
    PDEVICE_OBJECT TopOfStack(PDEVICE_OBJECT device);
    // A reference keeps a deleted device object's memory until released.
    void Reference(PDEVICE_OBJECT device);
    void Dereference(PDEVICE_OBJECT device);
    bool IsLiveDevice(PDEVICE_OBJECT device);
    std::size_t LiveDeviceCount() const;

    // ---- DMA: a buffer a USB transfer moves data through must lie in
    // non-paged memory: a live non-paged pool block (driver pool, system
    // buffers) or a device extension. A thread's stack or paged pool is
    // reported as a violation naming `transfer`. Zero-length transfers move
    // nothing and pass.
    void CheckDmaBuffer(const void* buffer, std::size_t length, const char* transfer);

    // ---- IRPs
    PIRP AllocateIrp(CCHAR stackSize, IrpOrigin origin);
    void FreeIrp(PIRP irp);
    PIRP BuildDeviceIoControl(ULONG code, PDEVICE_OBJECT device, PVOID in, ULONG inLength,
                              PVOID out, ULONG outLength, bool internal, PKEVENT event,
                              PIO_STATUS_BLOCK iosb);
    NTSTATUS CallDriver(PDEVICE_OBJECT device, PIRP irp);
    // PoCallDriver: before Vista every driver passing a power request down
    // calls PoStartNextPowerIrp first or in its completion routine.
    NTSTATUS CallPowerDriver(PDEVICE_OBJECT device, PIRP irp);
    void CompleteRequest(PIRP irp);
    std::size_t OutstandingIrps() const;
    static IrpPrivate* Private(PIRP irp);
    // True for an IRP freed after its final completion (held in quarantine).
    static bool IsFreed(PIRP irp);

    // ---- Host requests: sent to `target`, waited for, freed.
    // Prepares a Host IRP for `target`'s stack; fill its next stack location.
    PIRP NewHostIrp(PDEVICE_OBJECT target);
    RequestResult SendAndWait(PDEVICE_OBJECT target, PIRP irp);

    PFILE_OBJECT CreateFileObject(PDEVICE_OBJECT device);
    void DeleteFileObject(PFILE_OBJECT file);
    RequestResult SendFileRequest(PDEVICE_OBJECT target, PFILE_OBJECT file, UCHAR major);
    // METHOD_BUFFERED: a system buffer of max(in, out) bytes; the output is
    // copied back (information bytes, at most outLength) unless the status is
    // an error. METHOD_NEITHER: the caller's buffers as they are.
    RequestResult DeviceControl(PDEVICE_OBJECT target, PFILE_OBJECT file, ULONG code,
                                const void* in, ULONG inLength, void* out, ULONG outLength);
    // Buffered, direct or neither I/O by the target's flags (direct I/O is
    // served like buffered I/O: the hosted kernel has no MDLs).
    RequestResult ReadWrite(PDEVICE_OBJECT target, PFILE_OBJECT file, UCHAR major, void* buffer,
                            ULONG length);

private:
    struct DeviceRecord {
        int references = 0;
        bool deletePending = false;
    };

    void FinishIrp(PIRP irp);
    NTSTATUS SetUpBuffers(PIRP irp, ULONG method, const void* in, ULONG inLength, void* out,
                          ULONG outLength);
    void FreeDeviceMemory(PDEVICE_OBJECT device);
    bool InDeviceExtension(const void* start, std::size_t length) const;

    KernelHost& host_;
    mutable std::mutex mutex_;
    std::unordered_map<PDEVICE_OBJECT, DeviceRecord> devices_;
    std::unordered_map<PDRIVER_OBJECT, std::u16string*> drivers_;
    std::unordered_set<IrpPrivate*> irps_;  // alive; leftovers are freed with the manager
    IrpQuarantine quarantine_;
};

}  // namespace corvane::kernel
