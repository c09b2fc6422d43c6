#include "platform/kernel/UsbPipeWorker.h"

namespace corvane::kernel {

void CompleteUrb(PIRP irp, PURB urb, NTSTATUS status, USBD_STATUS usbdStatus) {
    urb->UrbHeader.Status = usbdStatus;
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = 0;
    IofCompleteRequest(irp, IO_NO_INCREMENT);
}

UsbPipeWorker::UsbPipeWorker(usb::UsbDevice& device, uint8_t endpoint,
                             const std::atomic<bool>& gone)
    : device_(device), endpoint_(endpoint), gone_(gone) {
    thread_ = std::thread([this] { Run(); });
}

UsbPipeWorker::~UsbPipeWorker() {
    FailQueued(STATUS_DEVICE_NOT_CONNECTED, USBD_STATUS_DEVICE_GONE);
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void UsbPipeWorker::Queue(PIRP irp, PURB urb, bool shortOk) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(Transfer{irp, urb, shortOk});
    }
    changed_.notify_all();
}

void UsbPipeWorker::FailQueued(NTSTATUS status, USBD_STATUS usbdStatus) {
    std::deque<Transfer> failed;
    {
        std::lock_guard lock(mutex_);
        failed.swap(queue_);
    }
    for (const Transfer& transfer : failed) {
        transfer.urb->UrbBulkOrInterruptTransfer.TransferBufferLength = 0;
        CompleteUrb(transfer.irp, transfer.urb, status, usbdStatus);
    }
}

void UsbPipeWorker::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) {
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
    uint32_t asked = bulk.TransferBufferLength;
    uint32_t moved = 0;
    if (gone_.load()) {
        bulk.TransferBufferLength = 0;
        CompleteUrb(transfer.irp, transfer.urb, STATUS_DEVICE_NOT_CONNECTED,
                    USBD_STATUS_DEVICE_GONE);
        return;
    }
    usb::UsbResult result =
        device_.BulkTransfer(endpoint_, static_cast<uint8_t*>(bulk.TransferBuffer), asked, &moved);
    if (moved > asked) {
        moved = asked;  // a device cannot move more than was asked for
    }
    bulk.TransferBufferLength = moved;
    switch (result) {
        case usb::UsbResult::Ok:
            if ((endpoint_ & USB_ENDPOINT_DIRECTION_MASK) && moved < asked && !transfer.shortOk) {
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
