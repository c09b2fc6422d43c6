#include "sim/usbfs/SysfsRecord.h"

#include <cstdio>

namespace corvane::usbfs {

namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
    char text[64];
    std::snprintf(text, sizeof(text), format, args...);
    return text;
}

// udev's ID_VENDOR / ID_MODEL: spaces become underscores, and only
// characters safe in a device name are kept.
std::string UdevName(const std::string& text) {
    std::string name;
    for (char c : text) {
        if (c == ' ') {
            name += '_';
        } else if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                   c == '-' || c == '_' || c == '.') {
            name += c;
        }
    }
    return name;
}

}  // namespace

std::string DeviceNodePath(int bus, int deviceNumber) {
    return Format("/dev/bus/usb/%03d/%03d", bus, deviceNumber);
}

std::string ConfigurationAttribute(uint8_t configuration) {
    return configuration == 0 ? "" : Format("%u\n", configuration);
}

SysfsRecord DescribeUsbDevice(const DevicePlace& place, const DeviceDescriptors& d,
                              uint8_t configuration) {
    SysfsRecord record;
    record.name = place.name;
    record.devnode = DeviceNodePath(place.bus, place.deviceNumber);
    record.descriptors = d.Raw();
    const int minor = (place.bus - 1) * 128 + place.deviceNumber - 1;

    auto& a = record.attributes;
    a.emplace_back("busnum", Format("%d\n", place.bus));
    a.emplace_back("devnum", Format("%d\n", place.deviceNumber));
    a.emplace_back("devpath", place.devPath + "\n");
    a.emplace_back("dev", Format("%d:%d", kUsbDeviceMajor, minor));
    a.emplace_back("speed", Format("%d\n", place.speedMbps));
    a.emplace_back("version", Format("%2x.%02x\n", d.UsbRelease() >> 8, d.UsbRelease() & 0xFF));
    a.emplace_back("idVendor", Format("%04x\n", d.VendorId()));
    a.emplace_back("idProduct", Format("%04x\n", d.ProductId()));
    a.emplace_back("bcdDevice", Format("%04x\n", d.DeviceRelease()));
    a.emplace_back("bDeviceClass", Format("%02x\n", d.DeviceClass()));
    a.emplace_back("bDeviceSubClass", Format("%02x\n", d.DeviceSubClass()));
    a.emplace_back("bDeviceProtocol", Format("%02x\n", d.DeviceProtocol()));
    a.emplace_back("bMaxPacketSize0", Format("%d\n", d.MaxPacketSize0()));
    a.emplace_back("bNumConfigurations", Format("%d\n", d.NumConfigurations()));
    a.emplace_back("bConfigurationValue", ConfigurationAttribute(configuration));
    a.emplace_back("bNumInterfaces", Format("%2d\n", d.NumInterfaces()));
    a.emplace_back("bmAttributes", Format("%2x\n", d.ConfigurationAttributes()));
    a.emplace_back("bMaxPower", Format("%dmA\n", d.MaxPower() * 2));
    a.emplace_back("authorized", "1\n");
    if (!d.manufacturer.empty()) {
        a.emplace_back("manufacturer", d.manufacturer + "\n");
    }
    if (!d.product.empty()) {
        a.emplace_back("product", d.product + "\n");
    }
    if (!d.serialNumber.empty()) {
        a.emplace_back("serial", d.serialNumber + "\n");
    }

    // The kernel's uevent, then what udev's usb_id adds to it.
    auto& p = record.properties;
    p.emplace_back("DEVTYPE", "usb_device");
    p.emplace_back("DRIVER", "usb");
    p.emplace_back("PRODUCT", Format("%x/%x/%x", d.VendorId(), d.ProductId(), d.DeviceRelease()));
    p.emplace_back("TYPE",
                   Format("%d/%d/%d", d.DeviceClass(), d.DeviceSubClass(), d.DeviceProtocol()));
    p.emplace_back("BUSNUM", Format("%03d", place.bus));
    p.emplace_back("DEVNUM", Format("%03d", place.deviceNumber));
    p.emplace_back("MAJOR", std::to_string(kUsbDeviceMajor));
    p.emplace_back("MINOR", std::to_string(minor));
    p.emplace_back("DEVNAME", record.devnode);
    p.emplace_back("ID_BUS", "usb");
    p.emplace_back("ID_VENDOR_ID", Format("%04x", d.VendorId()));
    p.emplace_back("ID_MODEL_ID", Format("%04x", d.ProductId()));
    p.emplace_back("ID_REVISION", Format("%04x", d.DeviceRelease()));
    const std::string vendor =
        d.manufacturer.empty() ? Format("%04x", d.VendorId()) : UdevName(d.manufacturer);
    const std::string model =
        d.product.empty() ? Format("%04x", d.ProductId()) : UdevName(d.product);
    p.emplace_back("ID_VENDOR", vendor);
    p.emplace_back("ID_MODEL", model);
    std::string serial = vendor + "_" + model;
    if (!d.serialNumber.empty()) {
        p.emplace_back("ID_SERIAL_SHORT", UdevName(d.serialNumber));
        serial += "_" + UdevName(d.serialNumber);
    }
    p.emplace_back("ID_SERIAL", serial);
    return record;
}

}  // namespace corvane::usbfs
