// What a technician is told when a projector cannot be opened: which one,
// why, and what to do (never a silent "no projector").
#pragma once

#include <string>

#include "platform/libusb/LibusbDevice.h"
#include "platform/libusb/UsbLocation.h"

namespace corvane::usb {

std::string DescribeOpenFailure(OpenFailure failure, const UsbLocation& location);

}  // namespace corvane::usb
