#include "platform/kernel/UsbPipeWorker.h"

#include <cstring>

#include "platform/kernel/CurrentHost.h"
#include "platform/kernel/KernelHost.h"

namespace corvane::kernel {

void CompleteUrb(PIRP irp, PURB urb, NTSTATUS status, USBD_STATUS usbdStatus) {
    urb->UrbHeader.Status = usbdStatus;
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = 0;
    // A host controller completes transfers from its DPC: the completion
    // routines above run at DISPATCH_LEVEL.
    KernelHost& host = CurrentHost();
    KIRQL previous = host.RaiseIrql(DISPATCH_LEVEL);
    IofCompleteRequest(irp, IO_NO_INCREMENT);
    host.LowerIrql(previous);
}

namespace {

void Fail(PIRP irp, PURB urb, NTSTATUS status, USBD_STATUS usbdStatus) {
    urb->UrbBulkOrInterruptTransfer.TransferBufferLength = 0;
    CompleteUrb(irp, urb, status, usbdStatus);
}

}  // namespace

UsbPipeWorker::UsbPipeWorker(usb::UsbDevice& device, uint8_t endpoint,
                             std::shared_ptr<const std::atomic<bool>> gone)
    : device_(device), endpoint_(endpoint), gone_(std::move(gone)) {
    thread_ = std::thread([this] { Run(); });
}

UsbPipeWorker::~UsbPipeWorker() {
    Stop();
    thread_.join();
}

void UsbPipeWorker::Queue(PIRP irp, PURB urb, bool shortOk) {
    {
        std::lock_guard lock(mutex_);
        if (!stopping_) {
            queue_.push_back(Transfer{irp, urb, shortOk});
            changed_.notify_all();
            return;
        }
    }
    Fail(irp, urb, STATUS_DEVICE_NOT_CONNECTED, USBD_STATUS_DEVICE_GONE);
}

void UsbPipeWorker::FailAll(NTSTATUS status, USBD_STATUS usbdStatus) {
    std::deque<Transfer> failed;
    {
        std::lock_guard lock(mutex_);
        failed.swap(queue_);
        if (inDevice_) {
            // Abandoned: the worker drops the device's answer when it comes.
            failed.push_front(*inDevice_);
            inDevice_.reset();
        }
    }
    for (const Transfer& transfer : failed) {
        Fail(transfer.irp, transfer.urb, status, usbdStatus);
    }
}

void UsbPipeWorker::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    FailAll(STATUS_DEVICE_NOT_CONNECTED, USBD_STATUS_DEVICE_GONE);
}

bool UsbPipeWorker::WaitOutOfDevice(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    return changed_.wait_until(lock, deadline, [this] { return !inCall_; });
}

void UsbPipeWorker::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) {
            finished_ = true;
            return;
        }
        Transfer transfer = queue_.front();
        queue_.pop_front();
        lock.unlock();
        Carry(transfer);
        lock.lock();
    }
}

void UsbPipeWorker::Carry(const Transfer& transfer) {
    auto& bulk = transfer.urb->UrbBulkOrInterruptTransfer;
    if (gone_->load()) {
        Fail(transfer.irp, transfer.urb, STATUS_DEVICE_NOT_CONNECTED, USBD_STATUS_DEVICE_GONE);
        return;
    }
    uint32_t asked = bulk.TransferBufferLength;
    bool in = (endpoint_ & USB_ENDPOINT_DIRECTION_MASK) != 0;
    {
        std::lock_guard lock(mutex_);
        buffer_.assign(asked, 0);
        if (!in && asked > 0) {
            std::memcpy(buffer_.data(), bulk.TransferBuffer, asked);
        }
        inDevice_ = transfer;
        inCall_ = true;
    }
    uint32_t moved = 0;
    usb::UsbResult result = device_.BulkTransfer(endpoint_, buffer_.data(), asked, &moved);
    {
        std::lock_guard lock(mutex_);
        inCall_ = false;
        changed_.notify_all();
        if (!inDevice_) {
            return;  // abandoned: its request is already completed
        }
        inDevice_.reset();
        if (moved > asked) {
            moved = asked;  // a device cannot move more than was asked for
        }
        if (in && moved > 0) {
            std::memcpy(bulk.TransferBuffer, buffer_.data(), moved);
        }
    }
    bulk.TransferBufferLength = moved;
    switch (result) {
        case usb::UsbResult::Ok:
            if (in && moved < asked && !transfer.shortOk) {
                CompleteUrb(transfer.irp, transfer.urb, STATUS_UNSUCCESSFUL,
                            USBD_STATUS_ERROR_SHORT_TRANSFER);
            } else {
                CompleteUrb(transfer.irp, transfer.urb, STATUS_SUCCESS, USBD_STATUS_SUCCESS);
            }
            break;
        case usb::UsbResult::Stall:
            CompleteUrb(transfer.irp, transfer.urb, STATUS_UNSUCCESSFUL, USBD_STATUS_STALL_PID);
            break;
        case usb::UsbResult::NoDevice:
            CompleteUrb(transfer.irp, transfer.urb, STATUS_DEVICE_NOT_CONNECTED,
                        USBD_STATUS_DEVICE_GONE);
            break;
    }
}

}  // namespace corvane::kernel
