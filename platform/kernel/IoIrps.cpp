// IRPs: allocation with their stack locations, IofCallDriver, and
// IofCompleteRequest with completion routines and the I/O manager's final
// processing.
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "platform/kernel/CurrentHost.h"
#include "platform/kernel/IoManager.h"
#include "platform/kernel/KernelHost.h"
#include "platform/kernel/PoolTracker.h"

namespace corvane::kernel {

namespace {

constexpr uint32_t kIrpMagic = 0x49525021;
constexpr uint32_t kFreedIrpMagic = 0x49525058;
constexpr std::align_val_t kIrpAlignment{16};
constexpr std::size_t kPrivateSize = (sizeof(IrpPrivate) + 15) & ~std::size_t{15};
constexpr uint32_t kSystemBufferTag = PoolTag("IoSB");

std::string Hex(NTSTATUS status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(status));
    return text;
}

}  // namespace

namespace {

uint32_t MagicOf(PIRP irp) {
    uint32_t magic;
    std::memcpy(&magic, reinterpret_cast<unsigned char*>(irp) - kPrivateSize, sizeof magic);
    return magic;
}

}  // namespace

IrpPrivate* IoManager::Private(PIRP irp) {
    uint32_t magic = MagicOf(irp);
    if (magic == kFreedIrpMagic) {
        BugCheck("IRP used after its final completion");
    }
    if (magic != kIrpMagic) {
        BugCheck("not an IRP of this kernel");
    }
    return reinterpret_cast<IrpPrivate*>(reinterpret_cast<unsigned char*>(irp) - kPrivateSize);
}

bool IoManager::IsFreed(PIRP irp) {
    return MagicOf(irp) == kFreedIrpMagic;
}

PIRP IoManager::AllocateIrp(CCHAR stackSize, IrpOrigin origin) {
    if (stackSize < 1) {
        BugCheck("IRP with no stack location");
    }
    if (origin != IrpOrigin::Host && host_.Faults().TakeIrpAllocationFailure()) {
        return nullptr;
    }
    // One location more than asked for lies past the last: where
    // IoGetCurrentIrpStackLocation points while the originator's completion
    // routine runs, so that IoMarkIrpPending there is caught, not an overrun.
    std::size_t size = kPrivateSize + sizeof(IRP) + (stackSize + 1) * sizeof(IO_STACK_LOCATION);
    void* memory = ::operator new(size, kIrpAlignment, std::nothrow);
    if (memory == nullptr) {
        return nullptr;
    }
    std::memset(memory, 0, size);
    auto* priv = new (memory) IrpPrivate{};
    priv->magic = kIrpMagic;
    priv->pending = std::make_shared<PendingLedger>();
    priv->origin = origin;
    auto* irp = reinterpret_cast<PIRP>(static_cast<unsigned char*>(memory) + kPrivateSize);
    irp->Type = 6;
    irp->Size = IoSizeOfIrp(stackSize);
    irp->StackCount = stackSize;
    irp->CurrentLocation = static_cast<CHAR>(stackSize + 1);
    auto* stack = reinterpret_cast<PIO_STACK_LOCATION>(irp + 1);
    irp->Tail.Overlay.CurrentStackLocation = stack + stackSize;
    irp->RequestorMode = KernelMode;
    {
        std::lock_guard lock(mutex_);
        irps_.insert(priv);
    }
    return irp;
}

void IoManager::FreeIrp(PIRP irp) {
    IrpPrivate* priv = Private(irp);
    auto* beyond = reinterpret_cast<PIO_STACK_LOCATION>(irp + 1) + irp->StackCount;
    if (beyond->Control & SL_PENDING_RETURNED) {
        host_.ReportViolation(
            "IoMarkIrpPending by the IRP's originator, which has no stack location of its own");
    }
    priv->magic = 0;
    {
        std::lock_guard lock(mutex_);
        irps_.erase(priv);
    }
    std::size_t size =
        kPrivateSize + sizeof(IRP) + (irp->StackCount + 1) * sizeof(IO_STACK_LOCATION);
    priv->~IrpPrivate();
    quarantine_.Hold(priv, size, kPrivateSize, kFreedIrpMagic);
}

std::size_t IoManager::OutstandingIrps() const {
    std::lock_guard lock(mutex_);
    return irps_.size();
}

NTSTATUS IoManager::SetUpBuffers(PIRP irp, ULONG method, const void* in, ULONG inLength, void* out,
                                 ULONG outLength) {
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    if (method == METHOD_NEITHER) {
        next->Parameters.DeviceIoControl.Type3InputBuffer = const_cast<void*>(in);
        irp->UserBuffer = out;
        return STATUS_SUCCESS;
    }
    // Buffered (and, without MDLs, the direct methods): one system buffer
    // holds the input and receives the output.
    ULONG size = inLength > outLength ? inLength : outLength;
    if (method != METHOD_BUFFERED) {
        size = inLength;
    }
    if (size > 0) {
        void* buffer = host_.Pool().Allocate(size, kSystemBufferTag);
        if (buffer == nullptr) {
            return STATUS_INSUFFICIENT_RESOURCES;
        }
        std::memset(buffer, 0, size);
        if (in != nullptr && inLength > 0) {
            std::memcpy(buffer, in, inLength);
        }
        irp->AssociatedIrp.SystemBuffer = buffer;
        irp->Flags |= IRP_BUFFERED_IO | IRP_DEALLOCATE_BUFFER;
    }
    if (method == METHOD_BUFFERED) {
        Private(irp)->bufferedControl = next->MajorFunction == IRP_MJ_DEVICE_CONTROL ||
                                        next->MajorFunction == IRP_MJ_INTERNAL_DEVICE_CONTROL;
        Private(irp)->outputLength = outLength;
        if (outLength > 0 && out != nullptr) {
            irp->Flags |= IRP_INPUT_OPERATION;
        }
    }
    irp->UserBuffer = out;
    return STATUS_SUCCESS;
}

PIRP IoManager::BuildDeviceIoControl(ULONG code, PDEVICE_OBJECT device, PVOID in, ULONG inLength,
                                     PVOID out, ULONG outLength, bool internal, PKEVENT event,
                                     PIO_STATUS_BLOCK iosb) {
    PIRP irp = AllocateIrp(device->StackSize, IrpOrigin::Built);
    if (irp == nullptr) {
        return nullptr;
    }
    irp->UserEvent = event;
    irp->UserIosb = iosb;
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = internal ? IRP_MJ_INTERNAL_DEVICE_CONTROL : IRP_MJ_DEVICE_CONTROL;
    next->Parameters.DeviceIoControl.IoControlCode = code;
    next->Parameters.DeviceIoControl.InputBufferLength = inLength;
    next->Parameters.DeviceIoControl.OutputBufferLength = outLength;
    if (!NT_SUCCESS(SetUpBuffers(irp, METHOD_FROM_CTL_CODE(code), in, inLength, out, outLength))) {
        FreeIrp(irp);
        return nullptr;
    }
    return irp;
}

NTSTATUS IoManager::CallDriver(PDEVICE_OBJECT device, PIRP irp) {
    if (IsFreed(irp)) {
        host_.ReportViolation("IRP sent after its final completion");
        return STATUS_INVALID_PARAMETER;
    }
    std::shared_ptr<PendingLedger> ledger = Private(irp)->pending;
    if (device == nullptr) {
        BugCheck("IofCallDriver with no device object");
    }
    irp->CurrentLocation--;
    if (irp->CurrentLocation <= 0) {
        BugCheck("NO_MORE_IRP_STACK_LOCATIONS: IofCallDriver past the last stack location");
    }
    irp->Tail.Overlay.CurrentStackLocation--;
    PIO_STACK_LOCATION stack = irp->Tail.Overlay.CurrentStackLocation;
    stack->DeviceObject = device;
    if (stack->MajorFunction > IRP_MJ_MAXIMUM_FUNCTION) {
        BugCheck("IofCallDriver with an invalid major function");
    }
    uint64_t send = ledger->Begin(irp->CurrentLocation, stack->MajorFunction);
    NTSTATUS status = device->DriverObject->MajorFunction[stack->MajorFunction](device, irp);
    // The IRP may be gone by now: only the ledger is read.
    if (std::optional<std::string> broken = ledger->Returned(send, status)) {
        host_.ReportViolation(*broken);
    }
    return status;
}

NTSTATUS IoManager::CallPowerDriver(PDEVICE_OBJECT device, PIRP irp) {
    if (IsFreed(irp)) {
        return CallDriver(device, irp);  // reported there
    }
    IrpPrivate* priv = Private(irp);
    if (!priv->powerStarted) {
        // Every generation this kernel offers predates Vista, where the rule ends.
        if (IoGetNextIrpStackLocation(irp)->CompletionRoutine == nullptr) {
            host_.ReportViolation("power request passed down without PoStartNextPowerIrp");
        } else if (irp->CurrentLocation > 1 && irp->CurrentLocation <= 32) {
            priv->powerStartsOwed |= 1u << (irp->CurrentLocation - 1);
        }
    }
    priv->powerStarted = false;
    return CallDriver(device, irp);
}

void IoManager::CompleteRequest(PIRP irp) {
    // MULTIPLE_IRP_COMPLETE_REQUESTS on Windows; here the second completion is
    // reported and ignored.
    if (IsFreed(irp)) {
        host_.ReportViolation("IRP completed twice (after its final completion)");
        return;
    }
    PendingLedger& ledger = *Private(irp)->pending;
    if (irp->CurrentLocation > irp->StackCount + 1) {
        host_.ReportViolation("IRP completed twice");
        return;
    }
    if (irp->IoStatus.Status == STATUS_PENDING) {
        host_.ReportViolation("IRP completed with STATUS_PENDING as its status");
    }
    PIO_STACK_LOCATION stack = irp->Tail.Overlay.CurrentStackLocation;
    irp->CurrentLocation++;
    irp->Tail.Overlay.CurrentStackLocation++;
    for (; irp->CurrentLocation <= irp->StackCount + 1;
         ++stack, irp->CurrentLocation++, irp->Tail.Overlay.CurrentStackLocation++) {
        irp->PendingReturned = (stack->Control & SL_PENDING_RETURNED) != 0;
        if (std::optional<std::string> broken = ledger.Completed(
                static_cast<CCHAR>(irp->CurrentLocation - 1), irp->PendingReturned != FALSE)) {
            host_.ReportViolation(*broken);
        }
        NTSTATUS status = irp->IoStatus.Status;
        bool invoke = (NT_SUCCESS(status) && (stack->Control & SL_INVOKE_ON_SUCCESS)) ||
                      (!NT_SUCCESS(status) && (stack->Control & SL_INVOKE_ON_ERROR)) ||
                      (irp->Cancel && (stack->Control & SL_INVOKE_ON_CANCEL));
        PIO_COMPLETION_ROUTINE routine = stack->CompletionRoutine;
        PVOID context = stack->Context;
        // The finished location is cleared, as the I/O manager does.
        stack->MinorFunction = 0;
        stack->Flags = 0;
        stack->Control = 0;
        stack->Parameters.Others.Argument1 = nullptr;
        stack->Parameters.Others.Argument2 = nullptr;
        stack->Parameters.Others.Argument3 = nullptr;
        stack->Parameters.Others.Argument4 = nullptr;
        stack->FileObject = nullptr;
        stack->CompletionRoutine = nullptr;
        stack->Context = nullptr;
        uint32_t owedBit = 1u << ((irp->CurrentLocation - 1) & 31);
        bool owed = (Private(irp)->powerStartsOwed & owedBit) != 0;
        if (owed) {
            Private(irp)->powerStartsOwed &= ~owedBit;
            Private(irp)->powerStarted = false;
        }
        if (invoke && routine != nullptr) {
            PDEVICE_OBJECT device = irp->CurrentLocation == irp->StackCount + 1
                                        ? nullptr
                                        : irp->Tail.Overlay.CurrentStackLocation->DeviceObject;
            if (routine(device, irp, context) == STATUS_MORE_PROCESSING_REQUIRED) {
                return;
            }
            if (owed && !Private(irp)->powerStarted) {
                host_.ReportViolation(
                    "power request passed down without PoStartNextPowerIrp (nor in its "
                    "completion routine)");
            }
        } else if (irp->PendingReturned && irp->CurrentLocation <= irp->StackCount) {
            IoMarkIrpPending(irp);
        }
    }
    FinishIrp(irp);
}

void IoManager::FinishIrp(PIRP irp) {
    IrpPrivate* priv = Private(irp);
    if (priv->origin == IrpOrigin::Allocated) {
        host_.ReportViolation(
            "an IRP from IoAllocateIrp completed without STATUS_MORE_PROCESSING_REQUIRED "
            "(status " +
            Hex(irp->IoStatus.Status) + ")");
        FreeIrp(irp);
        return;
    }
    if (priv->bufferedControl && !NT_ERROR(irp->IoStatus.Status) &&
        irp->IoStatus.Information > priv->outputLength) {
        // Windows would copy that many bytes over the caller's buffer; here
        // the copy stays cut to the buffer's size.
        host_.ReportViolation("METHOD_BUFFERED request completed with IoStatus.Information " +
                              std::to_string(irp->IoStatus.Information) +
                              " larger than its output buffer (" +
                              std::to_string(priv->outputLength) + " bytes)");
    }
    if (irp->Flags & IRP_BUFFERED_IO) {
        if ((irp->Flags & IRP_INPUT_OPERATION) && !NT_ERROR(irp->IoStatus.Status) &&
            irp->UserBuffer != nullptr && irp->AssociatedIrp.SystemBuffer != nullptr) {
            ULONG_PTR bytes = irp->IoStatus.Information;
            if (bytes > priv->outputLength) {
                bytes = priv->outputLength;
            }
            std::memcpy(irp->UserBuffer, irp->AssociatedIrp.SystemBuffer, bytes);
        }
        if (irp->Flags & IRP_DEALLOCATE_BUFFER) {
            host_.Pool().Free(irp->AssociatedIrp.SystemBuffer, kSystemBufferTag);
            irp->AssociatedIrp.SystemBuffer = nullptr;
        }
        irp->Flags &= ~(IRP_BUFFERED_IO | IRP_DEALLOCATE_BUFFER | IRP_INPUT_OPERATION);
    }
    if (irp->UserIosb != nullptr) {
        *irp->UserIosb = irp->IoStatus;
    }
    bool freeHere = priv->origin == IrpOrigin::Built;
    if (irp->UserEvent != nullptr) {
        // After this a Host IRP belongs to its waiter again.
        host_.Events().Set(irp->UserEvent);
    }
    if (freeHere) {
        FreeIrp(irp);
    }
}

}  // namespace corvane::kernel
