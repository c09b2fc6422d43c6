// Ports, enumeration and removal of the hosted USB bus.
#include "platform/kernel/UsbBus.h"

#include <cstdio>

#include "platform/kernel/DeviceInterfaces.h"
#include "platform/kernel/KernelHost.h"
#include "platform/kernel/PnpManager.h"
#include "platform/kernel/Utf16.h"

namespace corvane::kernel {

class UsbBus::Port : public usb::UsbPort {
public:
    Port(UsbBus& bus, usb::UsbDevice& device) : bus_(bus), device_(device) {}
    void DeviceAttached() override { bus_.OnAttached(device_); }
    void DeviceDetached() override { bus_.OnDetached(device_); }

    std::shared_ptr<UsbBusDevice> current;  // guarded by the bus's mutex

private:
    UsbBus& bus_;
    usb::UsbDevice& device_;
};

UsbBus::UsbBus(KernelHost& host) : host_(host) {
    busDriver_ = host_.Io().CreateDriverObject(u"usbhub");
    busDriver_->MajorFunction[IRP_MJ_PNP] = &UsbBus::DispatchPnp;
    busDriver_->MajorFunction[IRP_MJ_POWER] = &UsbBus::DispatchPower;
    busDriver_->MajorFunction[IRP_MJ_INTERNAL_DEVICE_CONTROL] = &UsbBus::DispatchInternalControl;
}

UsbBus::~UsbBus() {
    retiredPipes_.clear();
    host_.Io().DeleteDriverObject(busDriver_);
}

void UsbBus::RetirePipes(std::vector<std::unique_ptr<UsbPipeWorker>> pipes) {
    std::vector<std::unique_ptr<UsbPipeWorker>> finished;  // joined after the lock
    std::lock_guard lock(mutex_);
    for (auto& pipe : pipes) {
        retiredPipes_.push_back(std::move(pipe));
    }
    for (auto it = retiredPipes_.begin(); it != retiredPipes_.end();) {
        if ((*it)->Finished()) {
            finished.push_back(std::move(*it));
            it = retiredPipes_.erase(it);
        } else {
            ++it;
        }
    }
}

void UsbBus::Plug(usb::UsbDevice& device) {
    Port* port;
    {
        std::lock_guard lock(mutex_);
        if (ports_.count(&device) != 0) {
            return;
        }
        auto created = std::make_unique<Port>(*this, device);
        port = created.get();
        ports_.emplace(&device, std::move(created));
    }
    device.SetPort(port);
    if (device.IsAttached()) {
        OnAttached(device);
    }
}

void UsbBus::Unplug(usb::UsbDevice& device) {
    std::unique_ptr<Port> port;
    {
        std::lock_guard lock(mutex_);
        auto it = ports_.find(&device);
        if (it == ports_.end()) {
            return;
        }
        port = std::move(it->second);
        ports_.erase(it);
    }
    // After SetPort returns the device calls the port no more.
    device.SetPort(nullptr);
    std::shared_ptr<UsbBusDevice> busDevice;
    {
        std::lock_guard lock(mutex_);
        busDevice = std::move(port->current);
    }
    if (busDevice) {
        // Requests fail at once; then the device is made to let go of the
        // transfers it holds, so that nothing of the bus is inside it once
        // it is off the bus.
        busDevice->MarkGone();
        if (!busDevice->ResetAndDrain(std::chrono::seconds(5))) {
            host_.ReportViolation("a USB device kept a transfer after it was taken off the bus");
        }
        host_.Pnp().Post([this, busDevice] { Gone(busDevice); });
    }
}

NTSTATUS UsbBus::Remove(usb::UsbDevice& device) {
    NTSTATUS status = STATUS_SUCCESS;
    host_.Pnp().RunAndWait([&] {
        std::shared_ptr<UsbBusDevice> busDevice;
        {
            std::lock_guard lock(mutex_);
            auto it = ports_.find(&device);
            if (it == ports_.end()) {
                status = STATUS_NO_SUCH_DEVICE;
                return;
            }
            busDevice = it->second->current;
        }
        if (busDevice) {
            status = host_.Pnp().OrderlyRemove(busDevice->Pdo());
            if (NT_SUCCESS(status)) {
                std::lock_guard lock(mutex_);
                auto it = ports_.find(&device);
                if (it != ports_.end() && it->second->current == busDevice) {
                    it->second->current.reset();
                }
            }
        }
    });
    if (NT_SUCCESS(status)) {
        Unplug(device);
    }
    return status;
}

PDEVICE_OBJECT UsbBus::PdoOf(usb::UsbDevice& device) {
    std::lock_guard lock(mutex_);
    auto it = ports_.find(&device);
    if (it == ports_.end() || !it->second->current) {
        return nullptr;
    }
    return it->second->current->Pdo();
}

PDEVICE_OBJECT UsbBus::LastPdoOf(usb::UsbDevice& device) {
    std::lock_guard lock(mutex_);
    auto it = lastPdo_.find(&device);
    return it == lastPdo_.end() ? nullptr : it->second;
}

UsbPdoRecord UsbBus::PdoRecordOf(usb::UsbDevice& device) {
    std::shared_ptr<UsbPdoLifecycle> lifecycle;
    {
        std::lock_guard lock(mutex_);
        auto it = lastLifecycle_.find(&device);
        if (it == lastLifecycle_.end()) {
            return UsbPdoRecord{};
        }
        lifecycle = it->second;
    }
    return lifecycle->Record();
}

std::vector<usb::UsbDevice*> UsbBus::PluggedDevices() {
    std::lock_guard lock(mutex_);
    std::vector<usb::UsbDevice*> devices;
    for (auto& [device, port] : ports_) {
        devices.push_back(device);
    }
    return devices;
}

void UsbBus::Shutdown() {
    for (usb::UsbDevice* device : PluggedDevices()) {
        Unplug(*device);
    }
}

void UsbBus::OnAttached(usb::UsbDevice& device) {
    usb::UsbDevice* key = &device;
    host_.Pnp().Post([this, key] { Enumerate(*key); });
}

void UsbBus::OnDetached(usb::UsbDevice& device) {
    std::shared_ptr<UsbBusDevice> busDevice;
    {
        std::lock_guard lock(mutex_);
        auto it = ports_.find(&device);
        if (it == ports_.end()) {
            return;
        }
        busDevice = std::move(it->second->current);
    }
    if (busDevice) {
        busDevice->MarkGone();
        host_.Pnp().Post([this, busDevice] { Gone(busDevice); });
    }
}

void UsbBus::Enumerate(usb::UsbDevice& device) {
    {
        std::lock_guard lock(mutex_);
        auto it = ports_.find(&device);
        if (it == ports_.end() || it->second->current) {
            return;
        }
    }
    // The hub reads the device descriptor to name the device.
    USB_DEVICE_DESCRIPTOR descriptor{};
    usb::SetupPacket setup{0x80, usb::kRequestGetDescriptor, usb::kDescriptorDevice << 8, 0,
                           sizeof descriptor};
    uint32_t moved = 0;
    usb::UsbResult result =
        device.ControlTransfer(setup, reinterpret_cast<uint8_t*>(&descriptor), &moved);
    if (result == usb::UsbResult::NoDevice) {
        return;
    }
    if (result != usb::UsbResult::Ok || moved < sizeof descriptor) {
        descriptor.idVendor = 0;
        descriptor.idProduct = 0;
    }
    PDEVICE_OBJECT pdo = nullptr;
    if (!NT_SUCCESS(host_.Io().CreateDevice(busDriver_, sizeof(UsbBusDevice*), FILE_DEVICE_UNKNOWN,
                                            FILE_AUTOGENERATED_DEVICE_NAME, false, &pdo))) {
        return;
    }
    pdo->Flags =
        (pdo->Flags & ~DO_DEVICE_INITIALIZING) | DO_BUS_ENUMERATED_DEVICE | DO_POWER_PAGABLE;
    // 2000's hub serves a device it has enumerated, started or not: the
    // function driver's own start there never passes the start request down
    // and relies on it.
    auto lifecycle =
        std::make_shared<UsbPdoLifecycle>(host_.Generation() == WindowsGeneration::Win2000);
    auto busDevice = std::make_shared<UsbBusDevice>(device, pdo, lifecycle);
    *static_cast<UsbBusDevice**>(pdo->DeviceExtension) = busDevice.get();
    int instance;
    {
        std::lock_guard lock(mutex_);
        auto it = ports_.find(&device);
        if (it == ports_.end()) {
            busDevice.reset();
            host_.Io().DeleteDevice(pdo);
            return;
        }
        it->second->current = busDevice;
        lastPdo_[&device] = pdo;
        lastLifecycle_[&device] = lifecycle;
        instance = nextInstance_++;
    }
    char name[48];
    std::snprintf(name, sizeof name, "USB#VID_%04X&PID_%04X#%d", descriptor.idVendor,
                  descriptor.idProduct, instance);
    host_.Interfaces().SetInstanceName(pdo, Utf8ToUtf16(name));
    host_.Pnp().DeviceArrived(pdo, [this, busDevice, pdo] {
        RetirePipes(busDevice->TakePipes());
        host_.Io().DeleteDevice(pdo);
    });
}

void UsbBus::Gone(std::shared_ptr<UsbBusDevice> busDevice) {
    host_.Pnp().DeviceGone(busDevice->Pdo());
}

}  // namespace corvane::kernel
