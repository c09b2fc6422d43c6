#include "platform/hosted/HostedSystem.h"

#include "driver/Driver.h"

namespace corvane::hosted {

HostedSystem::HostedSystem() : HostedSystem(kernel::KernelHost::Options{}) {}

HostedSystem::HostedSystem(kernel::KernelHost::Options options)
    : host_(options), access_(host_), notifications_(access_) {
    host_.RegisterDriver(DriverEntry);
}

HostedSystem::~HostedSystem() {
    Shutdown();
}

sim::VirtualProjector& HostedSystem::PlugProjector(sim::ProjectorConfig config) {
    UnplugProjector();
    projectors_.push_back(std::make_unique<sim::VirtualProjector>(std::move(config)));
    projector_ = projectors_.back().get();
    host_.PlugDevice(*projector_);
    onBus_ = true;
    return *projector_;
}

void HostedSystem::UnplugProjector() {
    if (projector_ != nullptr && onBus_) {
        host_.UnplugDevice(*projector_);
        onBus_ = false;
    }
}

void HostedSystem::Shutdown() {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    host_.Shutdown();
}

}  // namespace corvane::hosted
