// A USB device on the hosted bus as its physical device object serves it: the
// URBs of IOCTL_INTERNAL_USB_SUBMIT_URB become control and bulk transfers on
// the UsbDevice. Descriptor requests and configuration selection complete at
// once; bulk and interrupt transfers pend on their pipe's worker. Once the
// device is gone every URB fails with STATUS_DEVICE_NOT_CONNECTED
// (USBD_STATUS_DEVICE_GONE).
//
// URBs are served only between start and removal (started, stop pending or
// remove pending). Before start and while stopped they fail with
// STATUS_DEVICE_NOT_READY, after a removal with STATUS_DEVICE_NOT_CONNECTED,
// the URB's status USBD_STATUS_DEVICE_GONE in both: the hub does not let them
// reach the device.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/kernel/UsbDevice.h"
#include "platform/kernel/UsbPdoState.h"
#include "platform/kernel/UsbPipeWorker.h"
#include "platform/kernel/ddk/usb.h"

namespace corvane::kernel {

class UsbBusDevice {
public:
    UsbBusDevice(usb::UsbDevice& device, PDEVICE_OBJECT pdo,
                 std::shared_ptr<UsbPdoLifecycle> lifecycle);
    ~UsbBusDevice();
    UsbBusDevice(const UsbBusDevice&) = delete;
    UsbBusDevice& operator=(const UsbBusDevice&) = delete;

    PDEVICE_OBJECT Pdo() const { return pdo_; }
    usb::UsbDevice& Device() { return device_; }
    UsbPdoLifecycle& Lifecycle() { return *lifecycle_; }
    // Any thread: new and queued transfers fail from now on.
    void MarkGone();
    bool Gone() const { return gone_->load(); }
    // Stops the pipe workers (their transfers fail) and hands them over; a
    // worker may still wait for the device to return from a transfer.
    std::vector<std::unique_ptr<UsbPipeWorker>> TakePipes();
    // After MarkGone: resets the device (SET_CONFIGURATION 0, as the port's
    // reset leaves it unconfigured) so that it ends the transfers it still
    // holds, and waits for them to leave it. False if one is still inside.
    bool ResetAndDrain(std::chrono::milliseconds patience);

    // Completes the request, or marks it pending and returns STATUS_PENDING.
    NTSTATUS SubmitUrb(PIRP irp, PURB urb);

private:
    struct Pipe {
        uint8_t endpoint;
        USBD_PIPE_TYPE type;
        uint16_t maxPacket;
    };

    NTSTATUS GetDescriptor(PIRP irp, PURB urb);
    NTSTATUS SelectConfiguration(PIRP irp, PURB urb);
    NTSTATUS BulkOrInterrupt(PIRP irp, PURB urb);
    NTSTATUS ResetPipe(PIRP irp, PURB urb);
    NTSTATUS Control(const usb::SetupPacket& setup, uint8_t* data, uint32_t* moved,
                     USBD_STATUS* usbdStatus);
    const Pipe* FindPipeLocked(USBD_PIPE_HANDLE handle) const;
    UsbPipeWorker& WorkerLocked(uint8_t endpoint);

    usb::UsbDevice& device_;
    PDEVICE_OBJECT pdo_;
    std::shared_ptr<UsbPdoLifecycle> lifecycle_;
    std::shared_ptr<std::atomic<bool>> gone_ = std::make_shared<std::atomic<bool>>(false);
    std::mutex mutex_;
    std::vector<std::unique_ptr<Pipe>> pipes_;    // of the current configuration
    std::vector<std::unique_ptr<Pipe>> retired_;  // earlier ones: their handles stay invalid
    std::unique_ptr<int> configuration_;          // its address is the handle
    std::vector<std::unique_ptr<int>> retiredConfigurations_;
    std::map<uint8_t, std::unique_ptr<UsbPipeWorker>> workers_;
};

}  // namespace corvane::kernel
