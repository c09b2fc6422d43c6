#include "platform/kernel/KernelHost.h"

#include "platform/kernel/CurrentHost.h"
#include "platform/kernel/DeviceInterfaces.h"
#include "platform/kernel/FileTable.h"
#include "platform/kernel/PnpManager.h"
#include "platform/kernel/UsbBus.h"

namespace corvane::kernel {

namespace {

GUID ToGuid(const UsbCtrlGuid& guid) {
    GUID result;
    static_assert(sizeof(GUID) == sizeof(UsbCtrlGuid));
    __builtin_memcpy(&result, &guid, sizeof result);
    return result;
}

}  // namespace

KernelHost::KernelHost() : KernelHost(Options{}) {}

KernelHost::KernelHost(Options options)
    : options_(options),
      generation_(options.generation),
      pool_([this](const std::string& text) { ReportViolation(text); }) {
    InstallCurrentHost(this);
    trace_.SetEcho(options.echoTrace);
    trace_.SetKeeping(options.keepTrace);
    io_ = std::make_unique<IoManager>(*this);
    interfaces_ = std::make_unique<DeviceInterfaces>(*this);
    pnp_ = std::make_unique<PnpManager>(*this);
    bus_ = std::make_unique<UsbBus>(*this);
    files_ = std::make_unique<FileTable>(*this);
}

KernelHost::~KernelHost() {
    Shutdown();
    files_.reset();
    bus_.reset();
    pnp_.reset();
    interfaces_.reset();
    io_.reset();
    RemoveCurrentHost(this);
}

void KernelHost::SetGeneration(WindowsGeneration generation) {
    generation_ = generation;
}

WindowsGeneration KernelHost::Generation() const {
    return generation_;
}

bool KernelHost::IsWdmVersionAvailable(UCHAR major, UCHAR minor) const {
    UCHAR hostMinor = 0;
    switch (generation_.load()) {
        case WindowsGeneration::Win98:
            hostMinor = 0x00;
            break;
        case WindowsGeneration::WinMe:
            hostMinor = 0x05;
            break;
        case WindowsGeneration::Win2000:
            hostMinor = 0x10;
            break;
        case WindowsGeneration::WinXp:
            hostMinor = 0x20;
            break;
    }
    return major < 1 || (major == 1 && minor <= hostMinor);
}

void KernelHost::SetIrql(KIRQL irql) {
    irql_ = irql;
}

KIRQL KernelHost::Irql() const {
    KIRQL base = irql_;
    std::lock_guard lock(irqlMutex_);
    auto raised = raisedIrql_.find(std::this_thread::get_id());
    return raised != raisedIrql_.end() && raised->second > base ? raised->second : base;
}

KIRQL KernelHost::RaiseIrql(KIRQL level) {
    KIRQL previous = Irql();
    if (level < previous) {
        ReportViolation("KeRaiseIrql to a lower IRQL (IRQL_NOT_GREATER_OR_EQUAL)");
        return previous;
    }
    std::lock_guard lock(irqlMutex_);
    raisedIrql_[std::this_thread::get_id()] = level;
    return previous;
}

void KernelHost::LowerIrql(KIRQL previous) {
    std::lock_guard lock(irqlMutex_);
    if (previous <= irql_) {
        raisedIrql_.erase(std::this_thread::get_id());
    } else {
        raisedIrql_[std::this_thread::get_id()] = previous;
    }
}

bool KernelHost::RemoveOnFailedStart() const {
    return options_.removeOnFailedStart;
}

void KernelHost::RegisterDriver(PDRIVER_INITIALIZE driverEntry, std::u16string serviceName) {
    pnp_->RegisterDriver(driverEntry, std::move(serviceName));
}

bool KernelHost::DriverLoaded() const {
    return pnp_->DriverLoaded();
}

int KernelHost::DriverEntryCalls() const {
    return pnp_->DriverEntryCalls();
}

int KernelHost::DriverUnloadCalls() const {
    return pnp_->DriverUnloadCalls();
}

PDRIVER_OBJECT KernelHost::LoadedDriver() const {
    return pnp_->Driver();
}

void KernelHost::PlugDevice(usb::UsbDevice& device) {
    bus_->Plug(device);
    pnp_->WaitIdle();
}

void KernelHost::UnplugDevice(usb::UsbDevice& device) {
    bus_->Unplug(device);
    pnp_->WaitIdle();
}

NTSTATUS KernelHost::RemoveDevice(usb::UsbDevice& device) {
    NTSTATUS status = bus_->Remove(device);
    pnp_->WaitIdle();
    return status;
}

void KernelHost::WaitForPnpIdle() {
    pnp_->WaitIdle();
}

DeviceState KernelHost::StateOf(usb::UsbDevice& device) {
    PDEVICE_OBJECT pdo = bus_->LastPdoOf(device);
    return pdo == nullptr ? DeviceState::NotPresent : pnp_->StateOf(pdo);
}

PDEVICE_OBJECT KernelHost::PhysicalDevice(usb::UsbDevice& device) {
    return bus_->PdoOf(device);
}

std::optional<DEVICE_CAPABILITIES> KernelHost::Capabilities(usb::UsbDevice& device) {
    PDEVICE_OBJECT pdo = bus_->LastPdoOf(device);
    return pdo == nullptr ? std::nullopt : pnp_->Capabilities(pdo);
}

RequestResult KernelHost::SendPnpRequest(usb::UsbDevice& device, UCHAR minorFunction) {
    PDEVICE_OBJECT pdo = bus_->PdoOf(device);
    if (pdo == nullptr) {
        return RequestResult{STATUS_NO_SUCH_DEVICE, 0, false};
    }
    return pnp_->SendPnp(pdo, minorFunction);
}

RequestResult KernelHost::SendPowerRequest(usb::UsbDevice& device, UCHAR minorFunction,
                                           POWER_STATE_TYPE type, POWER_STATE state,
                                           POWER_ACTION shutdownType) {
    PDEVICE_OBJECT pdo = bus_->PdoOf(device);
    if (pdo == nullptr) {
        return RequestResult{STATUS_NO_SUCH_DEVICE, 0, false};
    }
    return pnp_->SendPower(pdo, minorFunction, type, state, shutdownType);
}

std::string KernelHost::SimulateForeignDeviceArrival(const UsbCtrlGuid& interfaceClass) {
    std::string path = interfaces_->AddForeign(ToGuid(interfaceClass));
    pnp_->WaitIdle();
    return path;
}

void KernelHost::SimulateForeignDeviceRemoval(const std::string& path) {
    interfaces_->RemoveForeign(path);
    pnp_->WaitIdle();
}

void KernelHost::Shutdown() {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    for (usb::UsbDevice* device : bus_->PluggedDevices()) {
        if (!NT_SUCCESS(bus_->Remove(*device))) {
            bus_->Unplug(*device);
        }
    }
    pnp_->WaitIdle();
    files_->CloseAll();
    pnp_->WaitIdle();
    pnp_->Stop();
}

std::vector<AssertionRecord> KernelHost::Assertions() const {
    std::lock_guard lock(recordsMutex_);
    return assertions_;
}

void KernelHost::ClearAssertions() {
    std::lock_guard lock(recordsMutex_);
    assertions_.clear();
}

std::vector<std::string> KernelHost::Violations() const {
    std::lock_guard lock(recordsMutex_);
    return violations_;
}

void KernelHost::ClearViolations() {
    std::lock_guard lock(recordsMutex_);
    violations_.clear();
}

void KernelHost::RecordAssertion(AssertionRecord record) {
    std::lock_guard lock(recordsMutex_);
    assertions_.push_back(std::move(record));
}

void KernelHost::ReportViolation(const std::string& text) {
    std::lock_guard lock(recordsMutex_);
    violations_.push_back(text);
}

}  // namespace corvane::kernel
