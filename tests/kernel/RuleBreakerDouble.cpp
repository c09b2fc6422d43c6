#include "tests/kernel/RuleBreakerDouble.h"

#include "platform/kernel/ddk/usbdlib.h"
#include "platform/kernel/ddk/usbioctl.h"

namespace corvane::kernel::test {

namespace {

constexpr ULONG kZeroTag = 0x6B616542;  // "Beak"
constexpr ULONG kDmaBytes = 16;

NTSTATUS SendUrbBelow(PDEVICE_OBJECT lower, PURB urb) {
    KEVENT event;
    IO_STATUS_BLOCK iosb{};
    KeInitializeEvent(&event, NotificationEvent, FALSE);
    PIRP irp = IoBuildDeviceIoControlRequest(IOCTL_INTERNAL_USB_SUBMIT_URB, lower, nullptr, 0,
                                             nullptr, 0, TRUE, &event, &iosb);
    if (irp == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    IoGetNextIrpStackLocation(irp)->Parameters.Others.Argument1 = urb;
    NTSTATUS status = IofCallDriver(lower, irp);
    if (status == STATUS_PENDING) {
        KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, nullptr);
        status = iosb.Status;
    }
    return status;
}

}  // namespace

RuleBreakerDouble::RuleBreakerDouble(KernelHost& host, Breach breach, PDEVICE_OBJECT below)
    : host_(host), breach_(breach) {
    driver_ = host_.Io().CreateDriverObject(u"RuleBreaker");
    for (auto& dispatch : driver_->MajorFunction) {
        dispatch = &RuleBreakerDouble::Dispatch;
    }
    IoCreateDevice(driver_, sizeof(RuleBreakerDouble*), nullptr, FILE_DEVICE_UNKNOWN, 0, FALSE,
                   &device_);
    *static_cast<RuleBreakerDouble**>(device_->DeviceExtension) = this;
    if (below != nullptr) {
        lower_ = IoAttachDeviceToDeviceStack(device_, below);
    }
    if (breach_ == Breach::ReleaseWithOtherTag || breach_ == Breach::UseRemoveLock) {
        IoInitializeRemoveLock(&removeLock_, 0, 0, 0);
    }
    device_->Flags &= ~DO_DEVICE_INITIALIZING;
}

RuleBreakerDouble::~RuleBreakerDouble() {
    if (lower_ != nullptr) {
        IoDetachDevice(lower_);
    }
    IoDeleteDevice(device_);
    host_.Io().DeleteDriverObject(driver_);
}

NTSTATUS NTAPI RuleBreakerDouble::Dispatch(PDEVICE_OBJECT device, PIRP irp) {
    auto* self = *static_cast<RuleBreakerDouble**>(device->DeviceExtension);
    switch (self->breach_) {
        case Breach::PendWithoutMark:
            self->held_ = irp;
            return STATUS_PENDING;
        case Breach::MarkThenCompleteAtOnce:
            IoMarkIrpPending(irp);
            irp->IoStatus.Status = STATUS_SUCCESS;
            IofCompleteRequest(irp, IO_NO_INCREMENT);
            return STATUS_SUCCESS;
        case Breach::DropPendingInCompletion:
        case Breach::WaitInCompletion:
            IoCopyCurrentIrpStackLocationToNext(irp);
            IoSetCompletionRoutine(irp,
                                   self->breach_ == Breach::WaitInCompletion
                                       ? &RuleBreakerDouble::WaitingRoutine
                                       : &RuleBreakerDouble::ForgetfulRoutine,
                                   self, TRUE, TRUE, TRUE);
            return IofCallDriver(self->lower_, irp);
        case Breach::PowerDownUnstarted:
            IoSkipCurrentIrpStackLocation(irp);
            return PoCallDriver(self->lower_, irp);
        case Breach::PowerRoutineUnstarted:
            IoCopyCurrentIrpStackLocationToNext(irp);
            IoSetCompletionRoutine(irp, &RuleBreakerDouble::ForgetfulRoutine, self, TRUE, TRUE,
                                   TRUE);
            return PoCallDriver(self->lower_, irp);
        case Breach::AllocateZeroBytes:
            ExFreePoolWithTag(ExAllocatePoolWithTag(NonPagedPool, 0, kZeroTag), kZeroTag);
            break;
        case Breach::ReleaseWithOtherTag:
            if (NT_SUCCESS(IoAcquireRemoveLock(&self->removeLock_, irp))) {
                IoReleaseRemoveLock(&self->removeLock_, device);
            }
            break;
        case Breach::UseRemoveLock:
            if (NT_SUCCESS(IoAcquireRemoveLock(&self->removeLock_, irp))) {
                IoReleaseRemoveLock(&self->removeLock_, irp);
            }
            break;
        case Breach::DmaFromStack:
        case Breach::DmaFromPagedPool:
        case Breach::DescriptorIntoStack:
        case Breach::DmaFromNonPagedPool: {
            NTSTATUS status = self->Transfer();
            irp->IoStatus.Status = status;
            IofCompleteRequest(irp, IO_NO_INCREMENT);
            return status;
        }
        case Breach::CompleteTwice:
            irp->IoStatus.Status = STATUS_SUCCESS;
            IofCompleteRequest(irp, IO_NO_INCREMENT);
            IofCompleteRequest(irp, IO_NO_INCREMENT);
            return STATUS_SUCCESS;
    }
    irp->IoStatus.Status = STATUS_SUCCESS;
    IofCompleteRequest(irp, IO_NO_INCREMENT);
    return STATUS_SUCCESS;
}

NTSTATUS RuleBreakerDouble::Transfer() {
    UCHAR onStack[kDmaBytes] = {'s'};
    PVOID pool = nullptr;
    if (breach_ == Breach::DmaFromPagedPool) {
        pool = ExAllocatePoolWithTag(PagedPool, kDmaBytes, kZeroTag);
    } else if (breach_ == Breach::DmaFromNonPagedPool) {
        pool = ExAllocatePoolWithTag(NonPagedPool, kDmaBytes, kZeroTag);
    }
    PVOID buffer = pool != nullptr ? pool : onStack;
    ULONG length = kDmaBytes;
    URB urb{};
    if (breach_ == Breach::DescriptorIntoStack) {
        UsbBuildGetDescriptorRequest(&urb, sizeof(struct _URB_CONTROL_DESCRIPTOR_REQUEST),
                                     USB_DEVICE_DESCRIPTOR_TYPE, 0, 0, buffer, nullptr, length,
                                     nullptr);
    } else {
        UsbBuildInterruptOrBulkTransferRequest(&urb, sizeof(struct _URB_BULK_OR_INTERRUPT_TRANSFER),
                                               outPipe, buffer, nullptr, length, 0, nullptr);
    }
    NTSTATUS status = SendUrbBelow(lower_, &urb);
    if (pool != nullptr) {
        ExFreePoolWithTag(pool, kZeroTag);
    }
    return status;
}

NTSTATUS NTAPI RuleBreakerDouble::ForgetfulRoutine(PDEVICE_OBJECT, PIRP, PVOID) {
    return STATUS_CONTINUE_COMPLETION;
}

NTSTATUS NTAPI RuleBreakerDouble::WaitingRoutine(PDEVICE_OBJECT, PIRP irp, PVOID context) {
    auto* self = static_cast<RuleBreakerDouble*>(context);
    KEVENT event;
    KeInitializeEvent(&event, NotificationEvent, TRUE);  // signalled: the wait itself is the fault
    LARGE_INTEGER timeout;
    timeout.QuadPart = self->completionWait.value_or(0);
    KeWaitForSingleObject(&event, Executive, KernelMode, FALSE,
                          self->completionWait ? &timeout : nullptr);
    if (irp->PendingReturned) {
        IoMarkIrpPending(irp);
    }
    return STATUS_CONTINUE_COMPLETION;
}

NTSTATUS NTAPI RuleBreakerDouble::MarkingOriginatorRoutine(PDEVICE_OBJECT, PIRP irp, PVOID) {
    if (irp->PendingReturned) {
        IoMarkIrpPending(irp);
    }
    return STATUS_MORE_PROCESSING_REQUIRED;
}

}  // namespace corvane::kernel::test
