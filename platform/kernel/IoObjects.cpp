// Driver objects, device objects and device stacks of the I/O manager.
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/kernel/IoManager.h"
#include "platform/kernel/KernelHost.h"

namespace corvane::kernel {

namespace {

constexpr std::align_val_t kObjectAlignment{16};

struct DriverBlock {
    DRIVER_OBJECT driver;
    DRIVER_EXTENSION extension;
};

constexpr std::size_t RoundUp(std::size_t n) {
    return (n + 15) & ~std::size_t{15};
}
constexpr std::size_t kDeviceHeader =
    RoundUp(sizeof(DEVICE_OBJECT)) + RoundUp(sizeof(DEVOBJ_EXTENSION));

}  // namespace

IoManager::IoManager(KernelHost& host) : host_(host) {}

IoManager::~IoManager() {
    // Requests a driver never completed are released with the kernel.
    for (IrpPrivate* priv : irps_) {
        priv->~IrpPrivate();
        ::operator delete (static_cast<void*>(priv), std::align_val_t{16});
    }
    for (auto& [device, record] : devices_) {
        FreeDeviceMemory(device);
    }
    for (auto& [driver, name] : drivers_) {
        delete name;
        ::operator delete(reinterpret_cast<DriverBlock*>(driver), kObjectAlignment);
    }
}

NTSTATUS NTAPI IoManager::DefaultDispatch(PDEVICE_OBJECT, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    if (stack->MajorFunction == IRP_MJ_POWER) {
        PoStartNextPowerIrp(irp);
    }
    // A Plug and Play request nobody handles keeps the status it was sent with.
    if (stack->MajorFunction != IRP_MJ_PNP) {
        irp->IoStatus.Status = STATUS_INVALID_DEVICE_REQUEST;
        irp->IoStatus.Information = 0;
    }
    NTSTATUS status = irp->IoStatus.Status;
    IofCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

PDRIVER_OBJECT IoManager::CreateDriverObject(std::u16string_view name) {
    void* memory = ::operator new(sizeof(DriverBlock), kObjectAlignment);
    std::memset(memory, 0, sizeof(DriverBlock));
    auto* block = static_cast<DriverBlock*>(memory);
    auto* nameCopy = new std::u16string(u"\\Driver\\");
    nameCopy->append(name);
    PDRIVER_OBJECT driver = &block->driver;
    driver->Type = 4;
    driver->Size = sizeof(DRIVER_OBJECT);
    driver->DriverExtension = &block->extension;
    block->extension.DriverObject = driver;
    driver->DriverName.Buffer = nameCopy->data();
    driver->DriverName.Length = static_cast<USHORT>(nameCopy->size() * 2);
    driver->DriverName.MaximumLength = static_cast<USHORT>(nameCopy->size() * 2 + 2);
    for (auto& dispatch : driver->MajorFunction) {
        dispatch = &IoManager::DefaultDispatch;
    }
    std::lock_guard lock(mutex_);
    drivers_.emplace(driver, nameCopy);
    return driver;
}

void IoManager::DeleteDriverObject(PDRIVER_OBJECT driver) {
    std::u16string* name = nullptr;
    {
        std::lock_guard lock(mutex_);
        auto it = drivers_.find(driver);
        if (it == drivers_.end()) {
            return;
        }
        name = it->second;
        drivers_.erase(it);
    }
    if (driver->DeviceObject != nullptr) {
        host_.ReportViolation("driver unloaded with device objects left");
    }
    delete name;
    ::operator delete(reinterpret_cast<DriverBlock*>(driver), kObjectAlignment);
}

NTSTATUS IoManager::CreateDevice(PDRIVER_OBJECT driver, ULONG extensionSize, DEVICE_TYPE type,
                                 ULONG characteristics, bool exclusive, PDEVICE_OBJECT* deviceOut) {
    *deviceOut = nullptr;
    NTSTATUS injected;
    if (host_.Faults().TakeCreateDeviceFailure(&injected)) {
        return injected;
    }
    std::size_t size = kDeviceHeader + RoundUp(extensionSize);
    void* memory = ::operator new(size, kObjectAlignment, std::nothrow);
    if (memory == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    // The device extension is zeroed, as IoCreateDevice does.
    std::memset(memory, 0, size);
    auto* bytes = static_cast<unsigned char*>(memory);
    auto* device = reinterpret_cast<PDEVICE_OBJECT>(bytes);
    auto* objectExtension =
        reinterpret_cast<PDEVOBJ_EXTENSION>(bytes + RoundUp(sizeof(DEVICE_OBJECT)));
    device->Type = 3;
    device->Size = static_cast<USHORT>(sizeof(DEVICE_OBJECT) + extensionSize);
    device->DriverObject = driver;
    device->Flags = DO_DEVICE_INITIALIZING | (exclusive ? DO_EXCLUSIVE : 0);
    device->Characteristics = characteristics;
    device->DeviceExtension = extensionSize > 0 ? bytes + kDeviceHeader : nullptr;
    device->DeviceType = type;
    device->StackSize = 1;
    device->DeviceObjectExtension = objectExtension;
    objectExtension->Type = 13;
    objectExtension->Size = sizeof(DEVOBJ_EXTENSION);
    objectExtension->DeviceObject = device;
    std::lock_guard lock(mutex_);
    device->NextDevice = driver->DeviceObject;
    driver->DeviceObject = device;
    devices_.emplace(device, DeviceRecord{});
    *deviceOut = device;
    return STATUS_SUCCESS;
}

void IoManager::DeleteDevice(PDEVICE_OBJECT device) {
    bool attachedBelow = false;
    bool attachedAbove = false;
    bool freeNow = false;
    {
        std::lock_guard lock(mutex_);
        auto it = devices_.find(device);
        if (it == devices_.end() || it->second.deletePending) {
            attachedBelow = false;
        } else {
            PDRIVER_OBJECT driver = device->DriverObject;
            for (PDEVICE_OBJECT* link = &driver->DeviceObject; *link != nullptr;
                 link = &(*link)->NextDevice) {
                if (*link == device) {
                    *link = device->NextDevice;
                    break;
                }
            }
            device->NextDevice = nullptr;
            PDEVICE_OBJECT lower = device->DeviceObjectExtension->AttachedTo;
            attachedBelow = lower != nullptr;
            if (lower != nullptr) {
                lower->AttachedDevice = nullptr;
                device->DeviceObjectExtension->AttachedTo = nullptr;
            }
            attachedAbove = device->AttachedDevice != nullptr;
            it->second.deletePending = true;
            freeNow = it->second.references == 0;
            if (freeNow) {
                devices_.erase(it);
            }
        }
    }
    if (attachedBelow) {
        host_.ReportViolation("IoDeleteDevice of a device still attached to a lower device");
    }
    if (attachedAbove) {
        host_.ReportViolation("IoDeleteDevice of a device that has a device attached above it");
    }
    if (freeNow) {
        FreeDeviceMemory(device);
    }
}

void IoManager::FreeDeviceMemory(PDEVICE_OBJECT device) {
    ::operator delete(static_cast<void*>(device), kObjectAlignment);
}

PDEVICE_OBJECT IoManager::AttachToStack(PDEVICE_OBJECT source, PDEVICE_OBJECT target) {
    if (host_.Faults().TakeAttachFailure()) {
        return nullptr;
    }
    std::lock_guard lock(mutex_);
    auto it = devices_.find(target);
    if (it == devices_.end() || it->second.deletePending) {
        return nullptr;
    }
    PDEVICE_OBJECT top = target;
    while (top->AttachedDevice != nullptr) {
        top = top->AttachedDevice;
    }
    top->AttachedDevice = source;
    source->DeviceObjectExtension->AttachedTo = top;
    source->StackSize = static_cast<CCHAR>(top->StackSize + 1);
    source->AlignmentRequirement = top->AlignmentRequirement;
    return top;
}

void IoManager::Detach(PDEVICE_OBJECT target) {
    std::lock_guard lock(mutex_);
    PDEVICE_OBJECT above = target->AttachedDevice;
    if (above != nullptr) {
        above->DeviceObjectExtension->AttachedTo = nullptr;
        target->AttachedDevice = nullptr;
    }
}

PDEVICE_OBJECT IoManager::TopOfStack(PDEVICE_OBJECT device) {
    std::lock_guard lock(mutex_);
    while (device->AttachedDevice != nullptr) {
        device = device->AttachedDevice;
    }
    return device;
}

void IoManager::Reference(PDEVICE_OBJECT device) {
    std::lock_guard lock(mutex_);
    auto it = devices_.find(device);
    if (it != devices_.end()) {
        ++it->second.references;
    }
}

void IoManager::Dereference(PDEVICE_OBJECT device) {
    bool freeNow = false;
    {
        std::lock_guard lock(mutex_);
        auto it = devices_.find(device);
        if (it == devices_.end()) {
            return;
        }
        --it->second.references;
        if (it->second.references == 0 && it->second.deletePending) {
            devices_.erase(it);
            freeNow = true;
        }
    }
    if (freeNow) {
        FreeDeviceMemory(device);
    }
}

bool IoManager::IsLiveDevice(PDEVICE_OBJECT device) {
    std::lock_guard lock(mutex_);
    auto it = devices_.find(device);
    return it != devices_.end() && !it->second.deletePending;
}

std::size_t IoManager::LiveDeviceCount() const {
    std::lock_guard lock(mutex_);
    std::size_t count = 0;
    for (const auto& [device, record] : devices_) {
        count += record.deletePending ? 0 : 1;
    }
    return count;
}

bool IoManager::InDeviceExtension(const void* start, std::size_t length) const {
    auto address = reinterpret_cast<uintptr_t>(start);
    std::lock_guard lock(mutex_);
    for (const auto& [device, record] : devices_) {
        if (record.deletePending || device->DeviceExtension == nullptr ||
            device->Size <= sizeof(DEVICE_OBJECT)) {
            continue;
        }
        auto base = reinterpret_cast<uintptr_t>(device->DeviceExtension);
        std::size_t size = device->Size - sizeof(DEVICE_OBJECT);
        if (address >= base && address - base <= size && length <= size - (address - base)) {
            return true;
        }
    }
    return false;
}

void IoManager::CheckDmaBuffer(const void* buffer, std::size_t length, const char* transfer) {
    if (length == 0 || buffer == nullptr) {
        return;  // nothing moves; a missing buffer is the bus's to refuse
    }
    bool paged = false;
    if (host_.Pool().Holds(buffer, length, &paged)) {
        if (!paged) {
            return;
        }
    } else if (InDeviceExtension(buffer, length)) {
        return;
    }
    char text[200];
    std::snprintf(text, sizeof text,
                  "DMA transfer buffer %p (%zu bytes) of a %s is not in non-paged pool (%s)",
                  buffer, length, transfer, paged ? "paged pool" : "outside every live pool block");
    host_.ReportViolation(text);
}

}  // namespace corvane::kernel
