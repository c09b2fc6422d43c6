// The device session's URBs: checked as usbfs checks them on submission,
// carried out on their endpoint's worker, kept until reaped.
#include <algorithm>
#include <cerrno>
#include <chrono>

#include "sim/usbfs/DeviceSession.h"
#include "sim/usbfs/UsbfsAbi.h"

namespace corvane::usbfs {

namespace {

constexpr unsigned kKnownFlags = USBDEVFS_URB_SHORT_NOT_OK | USBDEVFS_URB_ISO_ASAP |
                                 USBDEVFS_URB_BULK_CONTINUATION | USBDEVFS_URB_NO_FSBR |
                                 USBDEVFS_URB_ZERO_PACKET | USBDEVFS_URB_NO_INTERRUPT;
constexpr uint8_t kTypeMask = 0x60;
constexpr uint8_t kTypeVendor = 0x40;
constexpr uint8_t kRecipientMask = 0x1F;
constexpr uint8_t kRecipientInterface = 1;
constexpr uint8_t kRecipientEndpoint = 2;

usb::SetupPacket SetupOf(const UrbSubmission& urb) {
    const std::vector<uint8_t>& b = urb.out;
    return {b[0], b[1], static_cast<uint16_t>(b[2] | b[3] << 8),
            static_cast<uint16_t>(b[4] | b[5] << 8), static_cast<uint16_t>(b[6] | b[7] << 8)};
}

bool IsControl(const UrbSubmission& urb) {
    return urb.type == USBDEVFS_URB_TYPE_CONTROL;
}

bool IsIn(const UrbSubmission& urb) {
    return IsControl(urb) ? (urb.out[0] & 0x80) != 0 : (urb.endpoint & 0x80) != 0;
}

// How long a reply waits for the transfer that caused it to complete first;
// a device that keeps an OUT transfer longer does not hold its replies up.
constexpr std::chrono::milliseconds kCauseFirst{100};

// The bytes an IN transfer asks for.
uint32_t Requested(const UrbSubmission& urb) {
    return IsControl(urb) ? SetupOf(urb).wLength : urb.length;
}

}  // namespace

TransferWorker& DeviceSession::WorkerLocked(uint8_t endpoint) {
    std::unique_ptr<TransferWorker>& worker = workers_[endpoint];
    if (!worker) {
        worker = std::make_unique<TransferWorker>();
    }
    return *worker;
}

void DeviceSession::CancelLocked(uint8_t endpoint, uint64_t id) {
    const auto it = workers_.find(endpoint);
    if (it != workers_.end()) {
        it->second->Cancel(id);
    }
}

int DeviceSession::CheckControlLocked(FileId file, const UrbSubmission& urb) {
    if ((urb.endpoint & 0x7F) != 0) {
        return ENOENT;  // no other control endpoint
    }
    if (urb.length < kSetupPacketLength || urb.out.size() < kSetupPacketLength ||
        SetupOf(urb).wLength + kSetupPacketLength > urb.length) {
        return EINVAL;
    }
    const usb::SetupPacket setup = SetupOf(urb);
    if ((setup.bmRequestType & kTypeMask) == kTypeVendor) {
        return 0;  // usbfs lets vendor requests through unchecked
    }
    const auto index = static_cast<uint8_t>(setup.wIndex & 0xFF);
    switch (setup.bmRequestType & kRecipientMask) {
        case kRecipientInterface:
            if (configuration_ == 0 || !layout_.HasInterface(index)) {
                return ENOENT;
            }
            return owners_.Claim(file, index);
        case kRecipientEndpoint:
            if (const auto place = FindEndpointLocked(index)) {
                return owners_.Claim(file, place->interfaceNumber);
            }
            return ENOENT;
        default:
            return 0;
    }
}

int DeviceSession::CheckTransferLocked(FileId file, UrbSubmission& urb, uint16_t* maxPacketSize) {
    const auto place = FindEndpointLocked(urb.endpoint);
    if (!place) {
        return ENOENT;
    }
    switch (place->info.Type()) {
        case kEndpointBulk:
            if (urb.type != USBDEVFS_URB_TYPE_BULK) {
                return EINVAL;
            }
            break;
        case kEndpointInterrupt:
            // usbfs lets single bulk URBs through on interrupt endpoints.
            if (urb.type != USBDEVFS_URB_TYPE_INTERRUPT && urb.type != USBDEVFS_URB_TYPE_BULK) {
                return EINVAL;
            }
            urb.type = USBDEVFS_URB_TYPE_INTERRUPT;
            break;
        default:
            return EINVAL;  // isochronous transfers are not emulated
    }
    *maxPacketSize = place->info.maxPacketSize;
    return owners_.Claim(file, place->interfaceNumber);
}

int DeviceSession::Submit(FileId file, UrbSubmission urb) {
    std::lock_guard lock(mutex_);
    if (!present_) {
        return ENODEV;
    }
    if ((urb.flags & ~kKnownFlags) != 0) {
        return EINVAL;
    }
    if (urb.length > kMaxUrbBytes) {
        return ENOMEM;
    }
    uint16_t maxPacketSize = setup_.descriptors.MaxPacketSize0();
    int error = EINVAL;
    if (IsControl(urb)) {
        error = CheckControlLocked(file, urb);
    } else if (urb.type == USBDEVFS_URB_TYPE_BULK || urb.type == USBDEVFS_URB_TYPE_INTERRUPT) {
        error = CheckTransferLocked(file, urb, &maxPacketSize);
    }
    if (error != 0) {
        return error;
    }
    const uint64_t id = nextId_++;
    const uint8_t worker = IsControl(urb) ? 0 : urb.endpoint;
    pending_[id] = PendingUrb{file, std::move(urb), worker, maxPacketSize, false};
    WorkerLocked(worker).Queue(id, [this, id] { Run(id); });
    return 0;
}

int DeviceSession::Discard(FileId file, uint64_t clientAddress) {
    Ready ready;
    {
        std::lock_guard lock(mutex_);
        if (!present_) {
            return ENODEV;
        }
        const auto it = std::find_if(pending_.begin(), pending_.end(), [&](const auto& entry) {
            return entry.second.file == file &&
                   entry.second.submission.clientAddress == clientAddress;
        });
        if (it == pending_.end()) {
            return EINVAL;
        }
        if (!it->second.inDevice) {
            CancelLocked(it->second.worker, it->first);
        }
        // A transfer inside the device completes now; the device's answer,
        // when it comes, is kept for the next transfer (see Run).
        CompleteLocked(it->first, -ENOENT, 0, {}, ready);
    }
    Tell(ready);
    return 0;
}

std::variant<UrbCompletion, int> DeviceSession::Reap(FileId file) {
    std::lock_guard lock(mutex_);
    const auto it = files_.find(file);
    if (it != files_.end() && !it->second.completed.empty()) {
        UrbCompletion completion = std::move(it->second.completed.front());
        it->second.completed.pop_front();
        return completion;
    }
    if (!present_) {
        const bool inDevice = std::any_of(pending_.begin(), pending_.end(), [&](const auto& entry) {
            return entry.second.file == file;
        });
        return inDevice ? EAGAIN : ENODEV;
    }
    return EAGAIN;
}

void DeviceSession::CompleteLocked(uint64_t id, int status, uint32_t actualLength,
                                   std::vector<uint8_t> in, Ready& ready) {
    const auto it = pending_.find(id);
    if (it == pending_.end()) {
        return;
    }
    const PendingUrb& urb = it->second;
    const auto file = files_.find(urb.file);
    if (file != files_.end()) {
        file->second.completed.push_back({urb.submission.clientAddress, urb.submission.type, status,
                                          actualLength, std::move(in)});
        ready.push_back(urb.file);
    }
    pending_.erase(it);
}

bool DeviceSession::ServeUndeliveredLocked(uint64_t id, PendingUrb& urb, Ready& ready) {
    if (IsControl(urb.submission) || !IsIn(urb.submission)) {
        return false;
    }
    const auto it = undelivered_.find(urb.submission.endpoint);
    if (it == undelivered_.end() || it->second.empty()) {
        return false;
    }
    std::vector<uint8_t>& delivery = it->second.front();
    const size_t taken = std::min<size_t>(delivery.size(), urb.submission.length);
    std::vector<uint8_t> in(delivery.begin(), delivery.begin() + static_cast<ptrdiff_t>(taken));
    if (taken == delivery.size()) {
        it->second.pop_front();
    } else {
        delivery.erase(delivery.begin(), delivery.begin() + static_cast<ptrdiff_t>(taken));
    }
    const bool shortNotOk = (urb.submission.flags & USBDEVFS_URB_SHORT_NOT_OK) != 0;
    const int status = shortNotOk && taken < urb.submission.length ? -EREMOTEIO : 0;
    CompleteLocked(id, status, static_cast<uint32_t>(taken), std::move(in), ready);
    return true;
}

int DeviceSession::StatusLocked(const PendingUrb& urb, const Outcome& outcome) const {
    switch (outcome.result) {
        case usb::UsbResult::Ok:
            if (IsIn(urb.submission) && (urb.submission.flags & USBDEVFS_URB_SHORT_NOT_OK) != 0 &&
                outcome.transferred < Requested(urb.submission)) {
                return -EREMOTEIO;
            }
            return 0;
        case usb::UsbResult::Stall:
            // Whatever a departed device answered, the host saw it go.
            return present_ ? -EPIPE : -ESHUTDOWN;
        case usb::UsbResult::NoDevice:
            break;
    }
    return -ESHUTDOWN;
}

void DeviceSession::Run(uint64_t id) {
    PendingUrb call;
    Ready ready;
    bool served = false;
    uint64_t send = 0;  // this call's number among the sends; 0 for an IN
    {
        std::lock_guard lock(mutex_);
        const auto it = pending_.find(id);
        if (it == pending_.end()) {
            return;  // discarded, closed or failed meanwhile
        }
        served = ServeUndeliveredLocked(id, it->second, ready);
        if (!served) {
            it->second.inDevice = true;
            call = it->second;
            if (IsControl(call.submission) || !IsIn(call.submission)) {
                send = ++sendsStarted_;
                sendsInDevice_.insert(send);
            }
        }
    }
    if (served) {
        Tell(ready);  // served from what the device had delivered before
        return;
    }
    Outcome outcome = Perform(call);
    std::optional<uint8_t> configured;
    {
        std::unique_lock lock(mutex_);
        if (send == 0) {
            // The host sees an OUT transfer end before the reply it caused:
            // wait for the sends that were in the device when this returned.
            const uint64_t started = sendsStarted_;
            sendsDone_.wait_for(lock, kCauseFirst, [&] {
                return sendsInDevice_.empty() || *sendsInDevice_.begin() > started;
            });
        }
        if (IsControl(call.submission) && outcome.result == usb::UsbResult::Ok) {
            const usb::SetupPacket setup = SetupOf(call.submission);
            if (setup.bmRequestType == 0 && setup.bRequest == usb::kRequestSetConfiguration) {
                // The device changed configuration, whether or not anyone waits.
                ApplyConfigurationLocked(static_cast<uint8_t>(setup.wValue));
                configured = static_cast<uint8_t>(setup.wValue);
            }
        }
        if (pending_.count(id) != 0) {
            const int status = StatusLocked(call, outcome);
            CompleteLocked(id, status, outcome.transferred, std::move(outcome.in), ready);
        } else if (!IsControl(call.submission) && IsIn(call.submission) &&
                   outcome.result == usb::UsbResult::Ok && present_) {
            undelivered_[call.submission.endpoint].push_back(std::move(outcome.in));
        }
        if (send != 0) {
            sendsInDevice_.erase(send);
            sendsDone_.notify_all();
        }
    }
    Tell(ready);
    if (configured) {
        TellConfiguration(*configured);
    }
}

DeviceSession::Outcome DeviceSession::Perform(const PendingUrb& urb) {
    Outcome outcome;
    const UrbSubmission& s = urb.submission;
    if (IsControl(s)) {
        const usb::SetupPacket setup = SetupOf(s);
        if (IsIn(s)) {
            outcome.in.resize(setup.wLength);
            outcome.result =
                device_.ControlTransfer(setup, outcome.in.data(), &outcome.transferred);
            outcome.in.resize(std::min<size_t>(outcome.transferred, setup.wLength));
        } else {
            std::vector<uint8_t> data(s.out.begin() + kSetupPacketLength,
                                      s.out.begin() + kSetupPacketLength + setup.wLength);
            outcome.result = device_.ControlTransfer(setup, data.data(), &outcome.transferred);
        }
        return outcome;
    }
    if (IsIn(s)) {
        outcome.in.resize(s.length);
        outcome.result =
            device_.BulkTransfer(s.endpoint, outcome.in.data(), s.length, &outcome.transferred);
        outcome.in.resize(std::min<size_t>(outcome.transferred, s.length));
        return outcome;
    }
    std::vector<uint8_t> data = s.out;
    outcome.result = device_.BulkTransfer(s.endpoint, data.data(),
                                          static_cast<uint32_t>(data.size()), &outcome.transferred);
    // A transfer that fills its last packet is ended by a zero-length one.
    if (outcome.result == usb::UsbResult::Ok && (s.flags & USBDEVFS_URB_ZERO_PACKET) != 0 &&
        !data.empty() && urb.maxPacketSize != 0 && data.size() % urb.maxPacketSize == 0) {
        uint32_t none = 0;
        outcome.result = device_.BulkTransfer(s.endpoint, nullptr, 0, &none);
    }
    return outcome;
}

}  // namespace corvane::usbfs
