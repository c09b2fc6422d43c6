// One bulk or interrupt endpoint of a hosted USB device: transfers on it are
// queued (the request pends) and carried out in order on the pipe's own
// thread, which blocks in the device as a host controller would wait for it,
// and completes each request there.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/kernel/UsbDevice.h"
#include "platform/kernel/ddk/usb.h"

namespace corvane::kernel {

class UsbPipeWorker {
public:
    // `gone` is the bus device's flag: set, transfers fail without reaching the device.
    UsbPipeWorker(usb::UsbDevice& device, uint8_t endpoint, const std::atomic<bool>& gone);
    ~UsbPipeWorker();  // fails what is queued and joins
    UsbPipeWorker(const UsbPipeWorker&) = delete;
    UsbPipeWorker& operator=(const UsbPipeWorker&) = delete;

    // The request is marked pending by the caller; `shortOk` allows a short IN.
    void Queue(PIRP irp, PURB urb, bool shortOk);
    // Fails every queued transfer with `status` (the one in the device is the
    // device's to end).
    void FailQueued(NTSTATUS status, USBD_STATUS usbdStatus);

private:
    struct Transfer {
        PIRP irp;
        PURB urb;
        bool shortOk;
    };

    void Run();
    void Carry(const Transfer& transfer);

    usb::UsbDevice& device_;
    uint8_t endpoint_;
    const std::atomic<bool>& gone_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Transfer> queue_;
    bool stopping_ = false;
    std::thread thread_;
};

// Completes a URB request with both statuses.
void CompleteUrb(PIRP irp, PURB urb, NTSTATUS status, USBD_STATUS usbdStatus);

}  // namespace corvane::kernel
