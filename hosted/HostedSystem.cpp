#include "hosted/HostedSystem.h"

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
    return *projector_;
}

// The cable: the projector fails its pending transfers and tells the bus,
// which starts the surprise removal.
void HostedSystem::UnplugProjector() {
    if (projector_ != nullptr) {
        projector_->Unplug();
        host_.WaitForPnpIdle();
    }
}

void HostedSystem::AddSource(std::unique_ptr<DeviceSource> source) {
    sources_.push_back(std::move(source));
}

void HostedSystem::Shutdown() {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    for (const auto& source : sources_) {
        source->Stop();
    }
    // Off the cable first: a read the program left pending ends with the
    // transfer that carries it.
    for (const auto& projector : projectors_) {
        projector->Unplug();
    }
    host_.Shutdown();
}

}  // namespace corvane::hosted
