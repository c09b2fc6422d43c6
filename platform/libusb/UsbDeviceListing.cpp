#include "platform/libusb/UsbDeviceListing.h"

#include <libusb.h>

#include <algorithm>

namespace corvane::usb {

std::vector<ListedUsbDevice> ListUsbDevices(LibusbContext& context, const UsbIdList& ids) {
    std::vector<ListedUsbDevice> listed;
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context.Get(), &list);
    for (ssize_t i = 0; i < count; ++i) {
        ListedUsbDevice entry;
        entry.location = LocationOf(list[i]);
        if (!ids.Contains(entry.location.vendor, entry.location.product)) {
            continue;
        }
        if (auto device = LibusbDevice::Open(list[i], &entry.failure)) {
            entry.serialNumber = device->SerialNumber();
        }
        listed.push_back(std::move(entry));
    }
    if (count >= 0) {
        libusb_free_device_list(list, 1);
    }
    std::sort(listed.begin(), listed.end(), [](const ListedUsbDevice& a, const ListedUsbDevice& b) {
        return a.location.portPath < b.location.portPath;
    });
    return listed;
}

}  // namespace corvane::usb
