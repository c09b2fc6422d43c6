// The device session's files, interfaces and configuration requests, and its
// departure. The URBs themselves are in DeviceSessionUrbs.cpp.
#include "sim/usbfs/DeviceSession.h"

#include <cerrno>

namespace corvane::usbfs {

namespace {

constexpr uint8_t kHostToDevice = 0x00;
constexpr uint8_t kHostToInterface = 0x01;
constexpr uint8_t kRequestSetInterface = 11;

int ErrnoOf(usb::UsbResult result) {
    switch (result) {
        case usb::UsbResult::Ok:
            return 0;
        case usb::UsbResult::Stall:
            return EPIPE;
        case usb::UsbResult::NoDevice:
            break;
    }
    return ENODEV;
}

}  // namespace

DeviceSession::DeviceSession(usb::UsbDevice& device, Setup setup, Events events)
    : device_(device),
      setup_(std::move(setup)),
      layout_(ReadConfigurationLayout(setup_.descriptors.configuration)),
      events_(std::move(events)) {
    std::lock_guard lock(mutex_);
    configuration_ = setup_.configuration;
    owners_.Reset(configuration_ != 0 ? layout_.InterfaceNumbers() : std::vector<uint8_t>(),
                  setup_.holders);
}

DeviceSession::~DeviceSession() {
    Stop();
}

bool DeviceSession::Present() const {
    std::lock_guard lock(mutex_);
    return present_;
}

uint8_t DeviceSession::Configuration() const {
    std::lock_guard lock(mutex_);
    return configuration_;
}

FileId DeviceSession::Open() {
    std::lock_guard lock(mutex_);
    const FileId file = nextFile_++;
    files_[file];
    return file;
}

void DeviceSession::Close(FileId file) {
    std::lock_guard lock(mutex_);
    owners_.ReleaseAll(file);
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (it->second.file != file) {
            ++it;
            continue;
        }
        if (!it->second.inDevice) {
            CancelLocked(it->second.worker, it->first);
        }
        it = pending_.erase(it);
    }
    files_.erase(file);
}

int DeviceSession::Claim(FileId file, unsigned number) {
    std::lock_guard lock(mutex_);
    if (!present_) {
        return ENODEV;
    }
    return number > 0xFF ? EINVAL : owners_.Claim(file, static_cast<uint8_t>(number));
}

int DeviceSession::Release(FileId file, unsigned number) {
    std::lock_guard lock(mutex_);
    if (!present_) {
        return ENODEV;
    }
    return number > 0xFF ? EINVAL : owners_.Release(file, static_cast<uint8_t>(number));
}

int DeviceSession::DriverName(unsigned number, std::string* name) const {
    std::lock_guard lock(mutex_);
    if (!present_) {
        return ENODEV;
    }
    return number > 0xFF ? ENODATA : owners_.DriverName(static_cast<uint8_t>(number), name);
}

int DeviceSession::DisconnectDriver(unsigned number) {
    std::lock_guard lock(mutex_);
    if (!present_) {
        return ENODEV;
    }
    return number > 0xFF ? EINVAL : owners_.Disconnect(static_cast<uint8_t>(number));
}

int DeviceSession::ConnectDriver(unsigned number, bool* bound) {
    std::lock_guard lock(mutex_);
    *bound = false;
    if (!present_) {
        return ENODEV;
    }
    return number > 0xFF ? EINVAL : owners_.Connect(static_cast<uint8_t>(number), bound);
}

int DeviceSession::DisconnectAndClaim(FileId file, unsigned number, unsigned flags,
                                      const std::string& driver) {
    std::lock_guard lock(mutex_);
    if (!present_) {
        return ENODEV;
    }
    return number > 0xFF
               ? EINVAL
               : owners_.DisconnectAndClaim(file, static_cast<uint8_t>(number), flags, driver);
}

int DeviceSession::CheckEndpoint(FileId file, unsigned endpoint) {
    std::lock_guard lock(mutex_);
    if (!present_) {
        return ENODEV;
    }
    if ((endpoint & ~0x8Fu) != 0) {
        return EINVAL;
    }
    if ((endpoint & 0x0F) == 0) {
        return 0;  // endpoint 0 belongs to no interface
    }
    const auto place = FindEndpointLocked(static_cast<uint8_t>(endpoint));
    if (!place) {
        return ENOENT;
    }
    // usbfs claims a free interface for the file that uses it.
    return owners_.Claim(file, place->interfaceNumber);
}

std::optional<DeviceSession::EndpointPlace> DeviceSession::FindEndpointLocked(
    uint8_t address) const {
    if (configuration_ == 0) {
        return std::nullopt;
    }
    for (uint8_t number : layout_.InterfaceNumbers()) {
        const InterfaceSetting* setting = layout_.Setting(number, AlternateLocked(number));
        if (setting == nullptr) {
            continue;
        }
        for (const EndpointInfo& info : setting->endpoints) {
            if (info.address == address) {
                return EndpointPlace{info, number};
            }
        }
    }
    return std::nullopt;
}

uint8_t DeviceSession::AlternateLocked(uint8_t interfaceNumber) const {
    const auto it = alternates_.find(interfaceNumber);
    return it == alternates_.end() ? 0 : it->second;
}

void DeviceSession::QueueOnEndpoint0Locked(std::function<void()> job) {
    WorkerLocked(0).Queue(nextId_++, std::move(job));
}

std::optional<int> DeviceSession::SetConfiguration(int value, Done done) {
    std::lock_guard lock(mutex_);
    if (!present_) {
        return ENODEV;
    }
    if (owners_.AnyHeld()) {
        return EBUSY;  // the kernel changes nothing while interfaces are held
    }
    const uint8_t wanted = value == -1 ? 0 : static_cast<uint8_t>(value);
    if (value < -1 || value > 0xFF || (wanted != 0 && wanted != layout_.value)) {
        return EINVAL;
    }
    QueueOnEndpoint0Locked([this, wanted, done = std::move(done)] {
        const int error = ErrnoOf(Control(kHostToDevice, usb::kRequestSetConfiguration, wanted, 0));
        if (error == 0) {
            {
                std::lock_guard relock(mutex_);
                ApplyConfigurationLocked(wanted);
            }
            TellConfiguration(wanted);
        }
        done(error);
    });
    return std::nullopt;
}

std::optional<int> DeviceSession::SetInterface(FileId file, unsigned number, unsigned alternate,
                                               Done done) {
    std::lock_guard lock(mutex_);
    if (!present_) {
        return ENODEV;
    }
    if (number > 0xFF || alternate > 0xFF || configuration_ == 0) {
        return EINVAL;
    }
    const auto interfaceNumber = static_cast<uint8_t>(number);
    if (const int error = owners_.Claim(file, interfaceNumber); error != 0) {
        return error;
    }
    const auto setting = static_cast<uint8_t>(alternate);
    if (layout_.Setting(interfaceNumber, setting) == nullptr) {
        return EINVAL;
    }
    const bool only = layout_.AlternateCount(interfaceNumber) == 1;
    QueueOnEndpoint0Locked([this, interfaceNumber, setting, only, done = std::move(done)] {
        const usb::UsbResult result =
            Control(kHostToInterface, kRequestSetInterface, setting, interfaceNumber);
        // Like the kernel, take a stall from a device with one setting as done.
        const int error = result == usb::UsbResult::Stall && only ? 0 : ErrnoOf(result);
        if (error == 0) {
            std::lock_guard relock(mutex_);
            alternates_[interfaceNumber] = setting;
        }
        done(error);
    });
    return std::nullopt;
}

std::optional<int> DeviceSession::Reset(Done done) {
    std::lock_guard lock(mutex_);
    if (!present_) {
        return ENODEV;
    }
    // The device returns to its default state; the kernel then selects the
    // configuration it had, keeping the device number and the claims.
    QueueOnEndpoint0Locked([this, done = std::move(done)] {
        const uint8_t value = Configuration();
        int error = ErrnoOf(Control(kHostToDevice, usb::kRequestSetConfiguration, 0, 0));
        if (error == 0 && value != 0) {
            error = ErrnoOf(Control(kHostToDevice, usb::kRequestSetConfiguration, value, 0));
        }
        if (error == 0) {
            std::lock_guard relock(mutex_);
            alternates_.clear();
        }
        done(error);
    });
    return std::nullopt;
}

void DeviceSession::ApplyConfigurationLocked(uint8_t value) {
    configuration_ = value;
    alternates_.clear();
    // The kernel probes its drivers again for the new interfaces.
    owners_.Reset(value != 0 ? layout_.InterfaceNumbers() : std::vector<uint8_t>(),
                  {false, setup_.holders.kernelDriver});
}

usb::UsbResult DeviceSession::Control(uint8_t requestType, uint8_t request, uint16_t value,
                                      uint16_t index) {
    const usb::SetupPacket setup{requestType, request, value, index, 0};
    uint32_t transferred = 0;
    return device_.ControlTransfer(setup, nullptr, &transferred);
}

void DeviceSession::Depart() {
    Ready ready;
    {
        std::lock_guard lock(mutex_);
        if (!present_) {
            return;
        }
        present_ = false;
        std::vector<uint64_t> queued;
        for (auto& [id, urb] : pending_) {
            if (!urb.inDevice) {
                CancelLocked(urb.worker, id);
                queued.push_back(id);
            }
        }
        for (uint64_t id : queued) {
            CompleteLocked(id, -ESHUTDOWN, 0, {}, ready);
        }
        undelivered_.clear();
        for (const auto& [file, state] : files_) {
            ready.push_back(file);
        }
    }
    Tell(ready);
}

void DeviceSession::Stop() {
    Depart();
    std::map<uint8_t, std::unique_ptr<TransferWorker>> workers;
    {
        std::lock_guard lock(mutex_);
        workers.swap(workers_);
    }
    for (auto& [endpoint, worker] : workers) {
        worker->Stop();
    }
}

void DeviceSession::Tell(const Ready& ready) {
    if (!events_.urbsReady) {
        return;
    }
    for (FileId file : ready) {
        events_.urbsReady(*this, file);
    }
}

void DeviceSession::TellConfiguration(uint8_t value) {
    if (events_.configurationChanged) {
        events_.configurationChanged(*this, value);
    }
}

}  // namespace corvane::usbfs
