#include "hosted/UsbProjectors.h"

#include <libusb.h>

#include "hosted/HostedSystem.h"
#include "platform/libusb/OpenFailureText.h"
#include "platform/libusb/UsbDeviceListing.h"
#include "platform/portable/UsbPortPath.h"

namespace corvane::hosted {

UsbProjectors::UsbProjectors(kernel::KernelHost& host, std::unique_ptr<usb::LibusbContext> context,
                             RealProjectorOptions options, ProblemReport report)
    : host_(host),
      context_(std::move(context)),
      options_(std::move(options)),
      report_(std::move(report)) {
    watch_ = std::make_unique<usb::UsbDeviceWatch>(
        *context_,
        usb::UsbDeviceEvents{[this](libusb_device* device) { Arrived(device); },
                             [this](libusb_device* device) { Left(device); }},
        options_.polling);
}

UsbProjectors::~UsbProjectors() {
    Stop();
}

void UsbProjectors::Stop() {
    if (stopped_) {
        return;
    }
    stopped_ = true;
    watch_->Stop();
    for (auto& [key, device] : plugged_) {
        TakeOff(*device);
    }
    plugged_.clear();
    for (libusb_device* device : waiting_) {
        libusb_unref_device(device);
    }
    waiting_.clear();
    context_->Stop();
}

void UsbProjectors::Arrived(libusb_device* device) {
    const usb::UsbLocation location = usb::LocationOf(device);
    if (!options_.ids.Contains(location.vendor, location.product)) {
        return;  // never opened
    }
    if (!plugged_.empty()) {
        waiting_.push_back(libusb_ref_device(device));
        return;
    }
    TryPlug(device);
}

bool UsbProjectors::TryPlug(libusb_device* device) {
    const usb::UsbLocation location = usb::LocationOf(device);
    const bool byPath = !options_.device.empty() && options_.device == location.portPath;
    if (!options_.device.empty() && !byPath && usb::ParsePortPath(options_.device)) {
        return false;  // not the socket asked for: not even opened
    }
    usb::OpenFailure failure = usb::OpenFailure::None;
    std::unique_ptr<usb::LibusbDevice> opened = usb::LibusbDevice::Open(device, &failure);
    if (opened != nullptr && !options_.device.empty() && !byPath &&
        opened->SerialNumber() != options_.device) {
        return false;  // another projector than the one asked for: not ours to claim
    }
    if (opened != nullptr) {
        failure = opened->Claim();
    }
    if (failure != usb::OpenFailure::None) {
        // It may be the projector meant: never passed over in silence.
        if (failure != usb::OpenFailure::Gone && report_) {
            report_(usb::DescribeOpenFailure(failure, location));
        }
        return false;
    }
    usb::LibusbDevice& plugged = *opened;
    plugged_.emplace(device, std::move(opened));
    host_.PlugDevice(plugged);
    return true;
}

void UsbProjectors::Left(libusb_device* device) {
    for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
        if (*it == device) {
            libusb_unref_device(*it);
            waiting_.erase(it);
            return;
        }
    }
    auto it = plugged_.find(device);
    if (it == plugged_.end()) {
        return;
    }
    it->second->Depart();
    TakeOff(*it->second);
    closed_.push_back(std::move(it->second));
    plugged_.erase(it);
    while (plugged_.empty() && !waiting_.empty()) {
        libusb_device* next = waiting_.front();
        waiting_.erase(waiting_.begin());
        TryPlug(next);
        libusb_unref_device(next);
    }
}

void UsbProjectors::TakeOff(usb::LibusbDevice& device) {
    host_.UnplugDevice(device);
    device.Close();
}

bool StartRealProjectors(HostedSystem& system, RealProjectorOptions options, ProblemReport report,
                         std::string* error) {
    std::unique_ptr<usb::LibusbContext> context = usb::LibusbContext::Create(error);
    if (context == nullptr) {
        return false;
    }
    system.AddSource(std::make_unique<UsbProjectors>(system.Kernel(), std::move(context),
                                                     std::move(options), std::move(report)));
    return true;
}

bool ListRealProjectors(const RealProjectorOptions& options,
                        std::vector<RealProjectorEntry>& entries, std::string* error) {
    std::unique_ptr<usb::LibusbContext> context = usb::LibusbContext::Create(error);
    if (context == nullptr) {
        return false;
    }
    for (const usb::ListedUsbDevice& listed : usb::ListUsbDevices(*context, options.ids)) {
        RealProjectorEntry entry;
        entry.portPath = listed.location.portPath;
        entry.ids = listed.location.Ids();
        entry.serialNumber = listed.serialNumber;
        if (listed.failure != usb::OpenFailure::None) {
            entry.problem = usb::DescribeOpenFailure(listed.failure, listed.location);
        }
        entries.push_back(std::move(entry));
    }
    return true;
}

}  // namespace corvane::hosted
