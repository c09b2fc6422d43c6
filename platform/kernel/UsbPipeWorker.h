// One bulk or interrupt endpoint of a hosted USB device: transfers on it are
// queued (the request pends) and carried out in order on the pipe's own
// thread, which blocks in the device as a host controller would wait for it,
// and completes each request there.
//
// The device works on the worker's own buffer, never on the requester's, so
// that a transfer still inside the device can be abandoned: when the device
// is gone (or the pipe aborted) its request completes at once, and whatever
// the device does later with the buffer touches nobody's memory.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/kernel/UsbDevice.h"
#include "platform/kernel/ddk/usb.h"

namespace corvane::kernel {

class UsbPipeWorker {
public:
    // `gone` is the bus device's flag: set, transfers fail without reaching the device.
    UsbPipeWorker(usb::UsbDevice& device, uint8_t endpoint,
                  std::shared_ptr<const std::atomic<bool>> gone);
    ~UsbPipeWorker();  // Stop(), then waits for the thread
    UsbPipeWorker(const UsbPipeWorker&) = delete;
    UsbPipeWorker& operator=(const UsbPipeWorker&) = delete;

    // The request is marked pending by the caller; `shortOk` allows a short IN.
    void Queue(PIRP irp, PURB urb, bool shortOk);
    // Fails every queued transfer and the one inside the device with `status`.
    void FailAll(NTSTATUS status, USBD_STATUS usbdStatus);
    // Fails everything and lets the thread end as soon as the device returns.
    void Stop();
    // The thread has ended (destroying the worker then waits for nothing).
    bool Finished() const { return finished_.load(); }
    // Waits until no call into the device is running; false if one still is
    // at `deadline`.
    bool WaitOutOfDevice(std::chrono::steady_clock::time_point deadline);

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
    std::shared_ptr<const std::atomic<bool>> gone_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Transfer> queue_;
    std::optional<Transfer> inDevice_;  // the transfer the device is working on
    std::vector<uint8_t> buffer_;       // what the device reads and writes
    bool inCall_ = false;               // the thread is inside the device
    bool stopping_ = false;
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

// Completes a URB request with both statuses.
void CompleteUrb(PIRP irp, PURB urb, NTSTATUS status, USBD_STATUS usbdStatus);

}  // namespace corvane::kernel
