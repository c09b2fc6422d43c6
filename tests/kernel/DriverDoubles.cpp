#include "tests/kernel/DriverDoubles.h"

#include <cstdio>

#include "platform/kernel/Utf16.h"

namespace corvane::kernel::test {

std::string Hex(NTSTATUS status) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(status));
    return text;
}

void EventLog::Add(std::string entry) {
    std::lock_guard lock(mutex_);
    entries_.push_back(std::move(entry));
}

std::vector<std::string> EventLog::Entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

LowerDriverDouble::LowerDriverDouble(KernelHost& host, EventLog* log, const char* name)
    : host_(host), log_(log), name_(name) {
    driver_ = host_.Io().CreateDriverObject(Utf8ToUtf16(name_));
    for (auto& dispatch : driver_->MajorFunction) {
        dispatch = &LowerDriverDouble::Dispatch;
    }
    IoCreateDevice(driver_, sizeof(LowerDriverDouble*), nullptr, FILE_DEVICE_UNKNOWN, 0, FALSE,
                   &device_);
    *static_cast<LowerDriverDouble**>(device_->DeviceExtension) = this;
    device_->Flags &= ~DO_DEVICE_INITIALIZING;
}

LowerDriverDouble::~LowerDriverDouble() {
    IoDeleteDevice(device_);
    host_.Io().DeleteDriverObject(driver_);
}

void LowerDriverDouble::PendRequests() {
    onRequest = [this](PDEVICE_OBJECT, PIRP irp) {
        IoMarkIrpPending(irp);
        {
            std::lock_guard lock(mutex_);
            pending_.push_back(irp);
        }
        changed_.notify_all();
        return STATUS_PENDING;
    };
}

PIRP LowerDriverDouble::TakePending() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !pending_.empty(); });
    PIRP irp = pending_.front();
    pending_.pop_front();
    return irp;
}

NTSTATUS NTAPI LowerDriverDouble::Dispatch(PDEVICE_OBJECT device, PIRP irp) {
    auto* self = *static_cast<LowerDriverDouble**>(device->DeviceExtension);
    if (self->log_ != nullptr) {
        self->log_->Add(self->name_ + ":dispatch");
    }
    if (self->onRequest) {
        return self->onRequest(device, irp);
    }
    irp->IoStatus.Status = STATUS_SUCCESS;
    IofCompleteRequest(irp, IO_NO_INCREMENT);
    return STATUS_SUCCESS;
}

FilterDriverDouble::FilterDriverDouble(KernelHost& host, PDEVICE_OBJECT below, EventLog& log,
                                       const char* name)
    : host_(host), log_(log), name_(name) {
    driver_ = host_.Io().CreateDriverObject(Utf8ToUtf16(name_));
    for (auto& dispatch : driver_->MajorFunction) {
        dispatch = &FilterDriverDouble::Dispatch;
    }
    IoCreateDevice(driver_, sizeof(FilterDriverDouble*), nullptr, FILE_DEVICE_UNKNOWN, 0, FALSE,
                   &device_);
    *static_cast<FilterDriverDouble**>(device_->DeviceExtension) = this;
    lower_ = IoAttachDeviceToDeviceStack(device_, below);
    device_->Flags &= ~DO_DEVICE_INITIALIZING;
}

FilterDriverDouble::~FilterDriverDouble() {
    IoDetachDevice(lower_);
    IoDeleteDevice(device_);
    host_.Io().DeleteDriverObject(driver_);
}

NTSTATUS NTAPI FilterDriverDouble::Dispatch(PDEVICE_OBJECT device, PIRP irp) {
    auto* self = *static_cast<FilterDriverDouble**>(device->DeviceExtension);
    self->log_.Add(self->name_ + ":dispatch");
    if (self->skipInsteadOfCopy) {
        IoSkipCurrentIrpStackLocation(irp);
    } else {
        IoCopyCurrentIrpStackLocationToNext(irp);
        IoSetCompletionRoutine(irp, &FilterDriverDouble::OnComplete, self, self->onSuccess,
                               self->onError, self->onCancel);
    }
    return IofCallDriver(self->lower_, irp);
}

NTSTATUS NTAPI FilterDriverDouble::OnComplete(PDEVICE_OBJECT device, PIRP irp, PVOID context) {
    auto* self = static_cast<FilterDriverDouble*>(context);
    self->completionDevice = device;
    self->completionSawPending = irp->PendingReturned;
    self->log_.Add(self->name_ + ":completion " + Hex(irp->IoStatus.Status));
    if (self->stopCompletion) {
        return STATUS_MORE_PROCESSING_REQUIRED;
    }
    if (irp->PendingReturned) {
        IoMarkIrpPending(irp);
    }
    return STATUS_CONTINUE_COMPLETION;
}

}  // namespace corvane::kernel::test
