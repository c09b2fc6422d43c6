// A driver that breaks one of the kernel's rules on purpose, so that a test
// can see the kernel catch it. One device object; `breach` says how its
// dispatch routine misbehaves.
#pragma once

#include <atomic>
#include <optional>

#include "platform/kernel/KernelHost.h"
#include "platform/kernel/ddk/usb.h"
#include "platform/kernel/ddk/wdm.h"

namespace corvane::kernel::test {

enum class Breach {
    PendWithoutMark,          // keeps the request, returns STATUS_PENDING unmarked
    MarkThenCompleteAtOnce,   // marks pending, completes, returns STATUS_SUCCESS
    DropPendingInCompletion,  // passes down; its routine forgets IoMarkIrpPending
    CompleteTwice,            // completes the request, then completes it again
    WaitInCompletion,         // passes down; its routine waits on a signalled event
    AllocateZeroBytes,        // asks the pool for zero bytes (and frees them)
    ReleaseWithOtherTag,      // acquires its remove lock for the IRP, releases for the device
    UseRemoveLock,            // uses a remove lock rightly: a breach where the kernel has none
    PowerDownUnstarted,       // skips its location, PoCallDriver without PoStartNextPowerIrp
    PowerRoutineUnstarted,    // passes a power request down; its routine forgets it too
    // Each sends one URB below and completes with its status (`outPipe` for bulk):
    DmaFromStack,         // a bulk OUT transfer from a buffer on its stack
    DmaFromPagedPool,     // a bulk OUT transfer from a paged pool block
    DescriptorIntoStack,  // a descriptor request into a buffer on its stack
    DmaFromNonPagedPool,  // keeps the rule: a bulk OUT transfer from non-paged pool
};

class RuleBreakerDouble {
public:
    // `below`: the device requests are passed to (DropPendingInCompletion,
    // WaitInCompletion and the power breaches).
    RuleBreakerDouble(KernelHost& host, Breach breach, PDEVICE_OBJECT below = nullptr);
    ~RuleBreakerDouble();

    PDEVICE_OBJECT Device() const { return device_; }
    // The request PendWithoutMark kept.
    PIRP Held() const { return held_.load(); }
    // WaitInCompletion's time-out in 100 ns units; none: wait without one.
    std::optional<LONGLONG> completionWait;
    // The bulk OUT pipe of the configured device below (the DMA breaches).
    USBD_PIPE_HANDLE outPipe = nullptr;

    // A completion routine for an IRP's originator that marks it pending,
    // though the originator has no stack location; returns
    // STATUS_MORE_PROCESSING_REQUIRED.
    static NTSTATUS NTAPI MarkingOriginatorRoutine(PDEVICE_OBJECT device, PIRP irp, PVOID context);

private:
    static NTSTATUS NTAPI Dispatch(PDEVICE_OBJECT device, PIRP irp);
    static NTSTATUS NTAPI ForgetfulRoutine(PDEVICE_OBJECT device, PIRP irp, PVOID context);
    static NTSTATUS NTAPI WaitingRoutine(PDEVICE_OBJECT device, PIRP irp, PVOID context);
    NTSTATUS Transfer();

    KernelHost& host_;
    Breach breach_;
    PDRIVER_OBJECT driver_;
    PDEVICE_OBJECT device_ = nullptr;
    PDEVICE_OBJECT lower_ = nullptr;
    std::atomic<PIRP> held_{nullptr};
    IO_REMOVE_LOCK removeLock_{};
};

}  // namespace corvane::kernel::test
