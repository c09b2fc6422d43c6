// The projectors attached now, for a listing: where each is, its ids and its
// serial number string, or why it could not be opened to read it. Nothing is
// claimed, so a projector another program is flashing is listed too.
#pragma once

#include <string>
#include <vector>

#include "platform/libusb/LibusbContext.h"
#include "platform/libusb/LibusbDevice.h"
#include "platform/libusb/UsbLocation.h"
#include "platform/portable/UsbIdList.h"

namespace corvane::usb {

struct ListedUsbDevice {
    UsbLocation location;
    std::string serialNumber;
    OpenFailure failure = OpenFailure::None;
};

// Devices with an id on the list, in bus-port order.
std::vector<ListedUsbDevice> ListUsbDevices(LibusbContext& context, const UsbIdList& ids);

}  // namespace corvane::usb
