#include "sim/StandardRequests.h"

#include <algorithm>
#include <cstring>

namespace corvane::sim {

namespace {

constexpr uint8_t kDeviceToHost = 0x80;
constexpr uint8_t kHostToDevice = 0x00;
constexpr uint8_t kRequestGetStatus = 0;
constexpr uint8_t kRequestSetAddress = 5;
constexpr uint8_t kRequestGetConfiguration = 8;

usb::UsbResult SendBack(const std::vector<uint8_t>& bytes, const usb::SetupPacket& setup,
                        uint8_t* data, uint32_t* transferred) {
    const size_t count = std::min<size_t>(bytes.size(), setup.wLength);
    if (count > 0 && data == nullptr) {
        return usb::UsbResult::Stall;
    }
    if (count > 0) {
        std::memcpy(data, bytes.data(), count);
    }
    *transferred = static_cast<uint32_t>(count);
    return usb::UsbResult::Ok;
}

}  // namespace

usb::UsbResult HandleStandardRequest(const DescriptorSet& descriptors,
                                     const usb::SetupPacket& setup, uint8_t* data,
                                     uint32_t* transferred, uint8_t& configuration) {
    *transferred = 0;
    if (setup.bmRequestType == kDeviceToHost) {
        switch (setup.bRequest) {
            case usb::kRequestGetDescriptor: {
                const auto found =
                    descriptors.Find(static_cast<uint8_t>(setup.wValue >> 8),
                                     static_cast<uint8_t>(setup.wValue & 0xFF), setup.wIndex);
                return found ? SendBack(*found, setup, data, transferred) : usb::UsbResult::Stall;
            }
            case kRequestGetConfiguration:
                return SendBack({configuration}, setup, data, transferred);
            case kRequestGetStatus:
                return SendBack({0, 0}, setup, data, transferred);
            default:
                return usb::UsbResult::Stall;
        }
    }
    if (setup.bmRequestType == kHostToDevice && setup.wLength == 0) {
        switch (setup.bRequest) {
            case usb::kRequestSetConfiguration: {
                const auto value = static_cast<uint8_t>(setup.wValue & 0xFF);
                if ((setup.wValue >> 8) != 0 ||
                    (value != 0 && value != descriptors.ConfigurationValue())) {
                    return usb::UsbResult::Stall;
                }
                configuration = value;
                return usb::UsbResult::Ok;
            }
            case kRequestSetAddress:
                return usb::UsbResult::Ok;
            default:
                return usb::UsbResult::Stall;
        }
    }
    return usb::UsbResult::Stall;
}

std::set<uint8_t> DeclaredEndpoints(const std::vector<uint8_t>& configuration) {
    std::set<uint8_t> endpoints;
    size_t offset = 0;
    while (offset + 2 <= configuration.size()) {
        const uint8_t length = configuration[offset];
        if (length < 2 || offset + length > configuration.size()) {
            break;
        }
        if (configuration[offset + 1] == usb::kDescriptorEndpoint && length >= 3) {
            endpoints.insert(configuration[offset + 2]);
        }
        offset += length;
    }
    return endpoints;
}

}  // namespace corvane::sim
