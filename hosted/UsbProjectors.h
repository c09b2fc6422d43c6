// Real projectors through libusb as a source of devices for the hosted bus.
// Everything happens on the watch's thread: a device that arrives with a
// listed id (and matches --device) is opened, claimed and plugged in; one
// that leaves is taken off the bus, then closed. The program serves one
// projector at a time, so only one is claimed: others that arrive meanwhile
// wait unclaimed, free for another process, and are tried in turn once it
// has gone.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "hosted/DeviceSource.h"
#include "hosted/RealProjectors.h"
#include "platform/kernel/KernelHost.h"
#include "platform/libusb/LibusbContext.h"
#include "platform/libusb/LibusbDevice.h"
#include "platform/libusb/UsbDeviceWatch.h"

namespace corvane::hosted {

class UsbProjectors final : public DeviceSource {
public:
    UsbProjectors(kernel::KernelHost& host, std::unique_ptr<usb::LibusbContext> context,
                  RealProjectorOptions options, ProblemReport report);
    ~UsbProjectors() override;  // Stop()
    void Stop() override;

private:
    void Arrived(libusb_device* device);
    void Left(libusb_device* device);
    // Opens, claims and plugs in a device that may be the one to serve;
    // false when it is not chosen or cannot be had.
    bool TryPlug(libusb_device* device);
    void TakeOff(usb::LibusbDevice& device);

    kernel::KernelHost& host_;
    std::unique_ptr<usb::LibusbContext> context_;
    const RealProjectorOptions options_;
    const ProblemReport report_;
    bool stopped_ = false;
    // Touched on the watch's thread only, and in Stop once it has ended.
    std::map<libusb_device*, std::unique_ptr<usb::LibusbDevice>> plugged_;  // one at most
    std::vector<libusb_device*> waiting_;  // referenced, in order of arrival
    // Closed, and kept: the bus's records still name them.
    std::vector<std::unique_ptr<usb::LibusbDevice>> closed_;
    std::unique_ptr<usb::UsbDeviceWatch> watch_;
};

}  // namespace corvane::hosted
