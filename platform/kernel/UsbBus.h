// The hosted USB bus: a port per plugged UsbDevice, a physical device object
// (driven by the bus driver "\Driver\usbhub") per attachment, named
// "USB#VID_xxxx&PID_xxxx#n" for its interfaces. A device's port callbacks may
// come from any thread: they mark the device gone at once and queue the Plug
// and Play work.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/kernel/UsbBusDevice.h"
#include "platform/kernel/UsbDevice.h"
#include "platform/kernel/UsbPdoState.h"
#include "platform/kernel/ddk/wdm.h"

namespace corvane::kernel {

class KernelHost;

class UsbBus {
public:
    explicit UsbBus(KernelHost& host);
    ~UsbBus();
    UsbBus(const UsbBus&) = delete;
    UsbBus& operator=(const UsbBus&) = delete;

    void Plug(usb::UsbDevice& device);
    void Unplug(usb::UsbDevice& device);
    // Orderly removal of the device's stack, then off the bus.
    NTSTATUS Remove(usb::UsbDevice& device);
    PDEVICE_OBJECT PdoOf(usb::UsbDevice& device);
    // The last physical device object the device had (its node may outlive
    // the attachment while handles are open).
    PDEVICE_OBJECT LastPdoOf(usb::UsbDevice& device);
    // The state of that physical device object and the Plug and Play and
    // power requests that reached it (kept after it is deleted); an empty
    // record for a device never enumerated.
    UsbPdoRecord PdoRecordOf(usb::UsbDevice& device);
    std::vector<usb::UsbDevice*> PluggedDevices();
    void Shutdown();

private:
    class Port;
    friend class Port;

    void OnAttached(usb::UsbDevice& device);
    void OnDetached(usb::UsbDevice& device);
    void Enumerate(usb::UsbDevice& device);
    void Gone(std::shared_ptr<UsbBusDevice> busDevice);
    void RetirePipes(std::vector<std::unique_ptr<UsbPipeWorker>> pipes);

    static NTSTATUS NTAPI DispatchPnp(PDEVICE_OBJECT device, PIRP irp);
    static NTSTATUS NTAPI DispatchPower(PDEVICE_OBJECT device, PIRP irp);
    static NTSTATUS NTAPI DispatchInternalControl(PDEVICE_OBJECT device, PIRP irp);

    KernelHost& host_;
    PDRIVER_OBJECT busDriver_;
    std::mutex mutex_;
    std::map<usb::UsbDevice*, std::unique_ptr<Port>> ports_;
    std::map<usb::UsbDevice*, PDEVICE_OBJECT> lastPdo_;
    std::map<usb::UsbDevice*, std::shared_ptr<UsbPdoLifecycle>> lastLifecycle_;
    // Pipe workers of removed devices that may still wait in their device;
    // joined when they have ended, the rest when the bus goes.
    std::vector<std::unique_ptr<UsbPipeWorker>> retiredPipes_;
    int nextInstance_ = 1;
};

}  // namespace corvane::kernel
