#include "sim/VirtualProjector.h"

#include <stdexcept>
#include <utility>

#include "sim/ProjectorDescriptors.h"
#include "sim/StandardRequests.h"

namespace corvane::sim {

namespace {

const ProjectorConfig& Checked(const ProjectorConfig& config) {
    if (!config.layout.IsValid()) {
        throw std::invalid_argument("virtual projector: invalid partition layout");
    }
    return config;
}

}  // namespace

VirtualProjector::VirtualProjector(ProjectorConfig config)
    : config_(std::move(config)), firmware_(Checked(config_)), mode_(config_.mode) {
    std::lock_guard lock(mutex_);
    RebuildDescriptorsLocked();
    attached_ = config_.startAttached;
}

VirtualProjector::~VirtualProjector() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    threads_.JoinAll();
}

void VirtualProjector::SetPort(usb::UsbPort* port) {
    reporter_.SetPort(port);
}

bool VirtualProjector::IsAttached() const {
    std::lock_guard lock(mutex_);
    return attached_;
}

void VirtualProjector::Plug() {
    {
        std::lock_guard lock(mutex_);
        restartPending_ = false;
        AttachLocked();
    }
    NotifyChanged();
    reporter_.Deliver();
}

void VirtualProjector::Unplug() {
    {
        std::lock_guard lock(mutex_);
        restartPending_ = false;
        DetachLocked();
    }
    NotifyChanged();
    reporter_.Deliver();
}

void VirtualProjector::AttachLocked() {
    if (attached_) {
        return;
    }
    firmware_.PowerUp();
    configuration_ = 0;
    RebuildDescriptorsLocked();
    attached_ = true;
    reporter_.Queue(true);
}

void VirtualProjector::DetachLocked() {
    if (!attached_) {
        return;
    }
    attached_ = false;
    configuration_ = 0;
    firmware_.Replies().Clear();  // the endpoint buffer loses power too
    reporter_.Queue(false);
}

void VirtualProjector::RebuildDescriptorsLocked() {
    const UsbDescriptorSpec deviceSpec = customDescriptors_.value_or(
        ProjectorDescriptorSpec(config_.usb, mode_, firmware_.SerialNumber()));
    descriptors_ = BuildDescriptors(deviceSpec);
    endpoints_ = DeclaredEndpoints(descriptors_.configuration);
}

void VirtualProjector::RestartAfterDelay() {
    {
        std::unique_lock lock(mutex_);
        const auto deadline = std::chrono::steady_clock::now() + config_.restartDelay;
        changed_.wait_until(lock, deadline, [this] { return stopping_ || !restartPending_; });
        if (stopping_ || !restartPending_) {
            return;
        }
        restartPending_ = false;
        AttachLocked();
    }
    NotifyChanged();
    reporter_.Deliver();
}

void VirtualProjector::SetFaults(FaultConfig faults) {
    std::lock_guard lock(mutex_);
    firmware_.Faults().Set(std::move(faults));
}

FaultConfig VirtualProjector::RemainingFaults() const {
    std::lock_guard lock(mutex_);
    return firmware_.Faults().Remaining();
}

void VirtualProjector::SetDescriptors(std::optional<UsbDescriptorSpec> deviceSpec) {
    {
        std::lock_guard lock(mutex_);
        customDescriptors_ = std::move(deviceSpec);
        RebuildDescriptorsLocked();
    }
    NotifyChanged();  // IN transfers on endpoints that are gone now stall
}

void VirtualProjector::SetChangeObserver(std::function<void()> observer) {
    auto shared =
        observer ? std::make_shared<const std::function<void()>>(std::move(observer)) : nullptr;
    std::lock_guard lock(mutex_);
    observer_ = std::move(shared);
}

void VirtualProjector::NotifyChanged() {
    std::shared_ptr<const std::function<void()>> observer;
    {
        std::lock_guard lock(mutex_);
        observer = observer_;
    }
    changed_.notify_all();
    if (observer) {
        (*observer)();
    }
}

}  // namespace corvane::sim
