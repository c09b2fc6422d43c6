#include "tests/driver/LowerDriverDouble.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace corvane::drivertest {

namespace {

PURB UrbOf(PIRP irp) {
    return static_cast<PURB>(IoGetCurrentIrpStackLocation(irp)->Parameters.Others.Argument1);
}

NTSTATUS CompleteNow(PIRP irp, NTSTATUS status) {
    irp->IoStatus.Status = status;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

}  // namespace

LowerDriverDouble::LowerDriverDouble(kernel::IoManager& io,
                                     const sim::UsbDescriptorSpec& deviceSpec)
    : io_(io), descriptors_(sim::BuildDescriptors(deviceSpec)) {
    driver_ = io_.CreateDriverObject(u"\\Driver\\LowerDriverDouble");
    driver_->MajorFunction[IRP_MJ_INTERNAL_DEVICE_CONTROL] = Dispatch;
    driver_->MajorFunction[IRP_MJ_PNP] = Dispatch;
    driver_->MajorFunction[IRP_MJ_POWER] = Dispatch;
    io_.CreateDevice(driver_, sizeof(LowerDriverDouble*), FILE_DEVICE_UNKNOWN, 0, false, &pdo_);
    *static_cast<LowerDriverDouble**>(pdo_->DeviceExtension) = this;
    pdo_->Flags &= ~DO_DEVICE_INITIALIZING;
}

LowerDriverDouble::~LowerDriverDouble() {
    FailWaitingIn(STATUS_CANCELLED);
    for (std::thread& completer : completers_) {
        completer.join();
    }
    io_.DeleteDevice(pdo_);
    io_.DeleteDriverObject(driver_);
}

USBD_PIPE_HANDLE LowerDriverDouble::PipeHandleFor(size_t interfacePosition, size_t pipe) {
    return reinterpret_cast<USBD_PIPE_HANDLE>(0x10000 + interfacePosition * 0x100 + pipe * 0x10);
}

void LowerDriverDouble::SetUrbCompletion(Completion completion) {
    std::lock_guard lock(mutex_);
    urbCompletion_ = completion;
}

void LowerDriverDouble::FailUrbs(USHORT function, NTSTATUS status, int count) {
    std::lock_guard lock(mutex_);
    urbFailures_[function] = {status, count};
}

void LowerDriverDouble::FailDescriptor(UCHAR type, int skip, NTSTATUS status) {
    std::lock_guard lock(mutex_);
    descriptorFailures_[type] = DescriptorFailure{skip, status};
}

void LowerDriverDouble::QueueIn(std::vector<uint8_t> bytes, NTSTATUS status) {
    PIRP waiting = nullptr;
    PendingReply reply{status, std::move(bytes)};
    {
        std::lock_guard lock(mutex_);
        if (waitingIn_.empty()) {
            inReplies_.push_back(std::move(reply));
            return;
        }
        waiting = waitingIn_.front();
        waitingIn_.pop_front();
    }
    CompleteIn(waiting, reply);
}

void LowerDriverDouble::FailWaitingIn(NTSTATUS status) {
    std::deque<PIRP> waiting;
    {
        std::lock_guard lock(mutex_);
        waiting.swap(waitingIn_);
    }
    for (PIRP irp : waiting) {
        CompleteIn(irp, PendingReply{status, {}});
    }
}

bool LowerDriverDouble::WaitForWaitingIn(int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [this] { return !waitingIn_.empty(); });
}

void LowerDriverDouble::AnswerAbortPipe() {
    std::lock_guard lock(mutex_);
    answerAbort_ = true;
}

void LowerDriverDouble::SetOutStatus(NTSTATUS status) {
    std::lock_guard lock(mutex_);
    outStatus_ = status;
}

void LowerDriverDouble::WithholdPipes(size_t position) {
    std::lock_guard lock(mutex_);
    withheldPipes_ = position;
}

std::vector<UrbRecord> LowerDriverDouble::Urbs() const {
    std::lock_guard lock(mutex_);
    return urbs_;
}

size_t LowerDriverDouble::CountUrbs(USHORT function) const {
    std::lock_guard lock(mutex_);
    return static_cast<size_t>(std::count_if(
        urbs_.begin(), urbs_.end(), [&](const UrbRecord& r) { return r.function == function; }));
}

void LowerDriverDouble::ClearUrbs() {
    std::lock_guard lock(mutex_);
    urbs_.clear();
}

void LowerDriverDouble::SetPnpAnswer(UCHAR minor, NTSTATUS status, Completion completion) {
    std::lock_guard lock(mutex_);
    pnpAnswers_[minor] = Answer{status, completion};
}

void LowerDriverDouble::SetPowerAnswer(NTSTATUS status) {
    std::lock_guard lock(mutex_);
    powerStatus_ = status;
}

std::vector<UCHAR> LowerDriverDouble::PnpMinors() const {
    std::lock_guard lock(mutex_);
    return pnpMinors_;
}

std::vector<UCHAR> LowerDriverDouble::PowerMinors() const {
    std::lock_guard lock(mutex_);
    return powerMinors_;
}

NTSTATUS NTAPI LowerDriverDouble::Dispatch(PDEVICE_OBJECT device, PIRP irp) {
    auto* self = *static_cast<LowerDriverDouble**>(device->DeviceExtension);
    switch (IoGetCurrentIrpStackLocation(irp)->MajorFunction) {
        case IRP_MJ_INTERNAL_DEVICE_CONTROL:
            return self->OnInternalControl(irp);
        case IRP_MJ_PNP:
            return self->OnPnp(irp);
        case IRP_MJ_POWER:
            return self->OnPower(irp);
        default:
            return CompleteNow(irp, STATUS_INVALID_DEVICE_REQUEST);
    }
}

NTSTATUS LowerDriverDouble::OnInternalControl(PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    if (stack->Parameters.DeviceIoControl.IoControlCode != IOCTL_INTERNAL_USB_SUBMIT_URB) {
        return CompleteNow(irp, STATUS_INVALID_DEVICE_REQUEST);
    }
    bool waiting = false;
    bool abort = false;
    NTSTATUS status;
    Completion completion;
    {
        std::lock_guard lock(mutex_);
        status = ServeUrb(UrbOf(irp), irp, &waiting);
        completion = urbCompletion_;
        abort = answerAbort_ && UrbOf(irp)->UrbHeader.Function == URB_FUNCTION_ABORT_PIPE;
    }
    if (abort) {
        FailWaitingIn(STATUS_CANCELLED);
        status = STATUS_SUCCESS;
    }
    if (waiting) {
        changed_.notify_all();
        return STATUS_PENDING;
    }
    return Finish(irp, status, completion);
}

// Called with mutex_ held.
NTSTATUS LowerDriverDouble::ServeUrb(PURB urb, PIRP irp, bool* waiting) {
    UrbRecord record;
    record.function = urb->UrbHeader.Function;
    if (record.function == URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER) {
        auto& transfer = urb->UrbBulkOrInterruptTransfer;
        record.transferFlags = transfer.TransferFlags;
        record.length = transfer.TransferBufferLength;
        record.pipe = transfer.PipeHandle;
        // The host controller below would move these bytes by DMA.
        io_.CheckDmaBuffer(transfer.TransferBuffer, transfer.TransferBufferLength,
                           "bulk or interrupt transfer");
        if (!(transfer.TransferFlags & USBD_TRANSFER_DIRECTION_IN)) {
            const auto* bytes = static_cast<const uint8_t*>(transfer.TransferBuffer);
            record.out.assign(bytes, bytes + transfer.TransferBufferLength);
        }
    } else if (record.function == URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE) {
        auto& request = urb->UrbControlDescriptorRequest;
        record.length = request.TransferBufferLength;
        record.descriptorType = request.DescriptorType;
        record.index = request.Index;
        record.languageId = request.LanguageId;
        io_.CheckDmaBuffer(request.TransferBuffer, request.TransferBufferLength,
                           "descriptor request");
    } else if (record.function == URB_FUNCTION_ABORT_PIPE) {
        record.pipe = urb->UrbPipeRequest.PipeHandle;
    } else if (record.function == URB_FUNCTION_SELECT_CONFIGURATION) {
        record.hasConfiguration = urb->UrbSelectConfiguration.ConfigurationDescriptor != nullptr;
    }
    urbs_.push_back(record);

    auto failure = urbFailures_.find(record.function);
    if (failure != urbFailures_.end()) {
        NTSTATUS status = failure->second.first;
        if (--failure->second.second <= 0) {
            urbFailures_.erase(failure);
        }
        if (record.function == URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER) {
            urb->UrbBulkOrInterruptTransfer.TransferBufferLength = 0;
        } else if (record.function == URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE) {
            urb->UrbControlDescriptorRequest.TransferBufferLength = 0;
        }
        urb->UrbHeader.Status = USBD_STATUS_STALL_PID;
        return status;
    }

    switch (record.function) {
        case URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE:
            return ServeDescriptor(urb->UrbControlDescriptorRequest);
        case URB_FUNCTION_SELECT_CONFIGURATION:
            return ServeSelect(urb->UrbSelectConfiguration);
        case URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER:
            break;
        default:
            return STATUS_NOT_SUPPORTED;
    }

    auto& transfer = urb->UrbBulkOrInterruptTransfer;
    if (!(transfer.TransferFlags & USBD_TRANSFER_DIRECTION_IN)) {
        return outStatus_;
    }
    if (inReplies_.empty()) {
        IoMarkIrpPending(irp);
        waitingIn_.push_back(irp);
        *waiting = true;
        return STATUS_PENDING;
    }
    PendingReply reply = std::move(inReplies_.front());
    inReplies_.pop_front();
    ULONG count =
        std::min<ULONG>(transfer.TransferBufferLength, static_cast<ULONG>(reply.bytes.size()));
    if (count != 0) {
        std::memcpy(transfer.TransferBuffer, reply.bytes.data(), count);
    }
    transfer.TransferBufferLength = count;
    return reply.status;
}

// Called with mutex_ held.
NTSTATUS LowerDriverDouble::ServeDescriptor(struct _URB_CONTROL_DESCRIPTOR_REQUEST& request) {
    auto failure = descriptorFailures_.find(request.DescriptorType);
    if (failure != descriptorFailures_.end() && failure->second.skip-- == 0) {
        NTSTATUS status = failure->second.status;
        descriptorFailures_.erase(failure);
        request.TransferBufferLength = 0;
        request.Hdr.Status = USBD_STATUS_STALL_PID;
        return status;
    }
    auto found = descriptors_.Find(request.DescriptorType, request.Index, request.LanguageId);
    if (!found) {
        request.TransferBufferLength = 0;
        request.Hdr.Status = USBD_STATUS_STALL_PID;
        return STATUS_UNSUCCESSFUL;
    }
    ULONG count = std::min<ULONG>(request.TransferBufferLength, static_cast<ULONG>(found->size()));
    std::memcpy(request.TransferBuffer, found->data(), count);
    request.TransferBufferLength = count;
    return STATUS_SUCCESS;
}

// Called with mutex_ held. Hands out a handle for every pipe of the first
// bNumInterfaces interfaces in the request, as the bus does after
// SET_CONFIGURATION; entries past them are left as they came.
NTSTATUS LowerDriverDouble::ServeSelect(struct _URB_SELECT_CONFIGURATION& select) {
    if (select.ConfigurationDescriptor == nullptr) {
        select.ConfigurationHandle = nullptr;
        return STATUS_SUCCESS;
    }
    select.ConfigurationHandle = reinterpret_cast<USBD_CONFIGURATION_HANDLE>(kConfigurationHandle);
    auto* next = reinterpret_cast<uint8_t*>(&select.Interface);
    auto* end = reinterpret_cast<uint8_t*>(&select) + select.Hdr.Length;
    const size_t interfaces = select.ConfigurationDescriptor->bNumInterfaces;
    for (size_t position = 0;
         position < interfaces && next + sizeof(USBD_INTERFACE_INFORMATION) <= end; ++position) {
        auto* info = reinterpret_cast<PUSBD_INTERFACE_INFORMATION>(next);
        if (info->Length == 0) {
            break;
        }
        info->InterfaceHandle = reinterpret_cast<USBD_INTERFACE_HANDLE>(0xA000 + position);
        for (ULONG pipe = 0; pipe < info->NumberOfPipes; ++pipe) {
            info->Pipes[pipe].PipeHandle =
                position == withheldPipes_ ? nullptr : PipeHandleFor(position, pipe);
        }
        next += info->Length;
    }
    return STATUS_SUCCESS;
}

NTSTATUS LowerDriverDouble::Finish(PIRP irp, NTSTATUS status, Completion completion) {
    if (completion == Completion::Immediate) {
        return CompleteNow(irp, status);
    }
    IoMarkIrpPending(irp);
    CompleteLater(irp, status);
    return STATUS_PENDING;
}

void LowerDriverDouble::CompleteLater(PIRP irp, NTSTATUS status) {
    std::lock_guard lock(mutex_);
    completers_.emplace_back([irp, status] {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        CompleteNow(irp, status);
    });
}

void LowerDriverDouble::CompleteIn(PIRP irp, const PendingReply& reply) {
    auto& transfer = UrbOf(irp)->UrbBulkOrInterruptTransfer;
    ULONG count =
        std::min<ULONG>(transfer.TransferBufferLength, static_cast<ULONG>(reply.bytes.size()));
    if (count != 0) {
        std::memcpy(transfer.TransferBuffer, reply.bytes.data(), count);
    }
    transfer.TransferBufferLength = count;
    CompleteNow(irp, reply.status);
}

NTSTATUS LowerDriverDouble::OnPnp(PIRP irp) {
    UCHAR minor = IoGetCurrentIrpStackLocation(irp)->MinorFunction;
    Answer answer{irp->IoStatus.Status, Completion::Immediate};
    {
        std::lock_guard lock(mutex_);
        pnpMinors_.push_back(minor);
        auto found = pnpAnswers_.find(minor);
        if (found != pnpAnswers_.end()) {
            answer = found->second;
            pnpAnswers_.erase(found);
        } else if (minor == IRP_MN_START_DEVICE || minor == IRP_MN_REMOVE_DEVICE ||
                   minor == IRP_MN_SURPRISE_REMOVAL || minor == IRP_MN_QUERY_CAPABILITIES) {
            answer.status = STATUS_SUCCESS;
        }
    }
    if (minor == IRP_MN_QUERY_CAPABILITIES) {
        // What a bus might report: the driver above must override it.
        PDEVICE_CAPABILITIES caps =
            IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceCapabilities.Capabilities;
        caps->SurpriseRemovalOK = FALSE;
        for (auto& state : caps->DeviceState) {
            state = PowerDeviceD3;
        }
        caps->DeviceWake = PowerDeviceD2;
        caps->SystemWake = PowerSystemSleeping1;
    }
    return Finish(irp, answer.status, answer.completion);
}

NTSTATUS LowerDriverDouble::OnPower(PIRP irp) {
    NTSTATUS status;
    {
        std::lock_guard lock(mutex_);
        powerMinors_.push_back(IoGetCurrentIrpStackLocation(irp)->MinorFunction);
        status = powerStatus_;
    }
    PoStartNextPowerIrp(irp);
    return CompleteNow(irp, status);
}

}  // namespace corvane::drivertest
