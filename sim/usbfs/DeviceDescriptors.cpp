#include "sim/usbfs/DeviceDescriptors.h"

#include <algorithm>

namespace corvane::usbfs {

namespace {

constexpr uint8_t kDeviceToHost = 0x80;
constexpr uint16_t kMaxDescriptorLength = 0xFFFF;
constexpr uint16_t kMaxStringLength = 255;

std::optional<std::vector<uint8_t>> GetDescriptor(usb::UsbDevice& device, uint8_t type,
                                                  uint8_t index, uint16_t language,
                                                  uint16_t length) {
    std::vector<uint8_t> data(length);
    uint32_t transferred = 0;
    const usb::SetupPacket setup{kDeviceToHost, usb::kRequestGetDescriptor,
                                 static_cast<uint16_t>(type << 8 | index), language, length};
    if (device.ControlTransfer(setup, data.data(), &transferred) != usb::UsbResult::Ok) {
        return std::nullopt;
    }
    data.resize(std::min<size_t>(transferred, length));
    return data;
}

void AppendUtf8(std::string& text, uint32_t code) {
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | code >> 6);
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xE0 | code >> 12);
        text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// A string descriptor's UTF-16LE text as UTF-8 (surrogates become U+FFFD);
// bLength is believed only as far as the bytes go.
std::string StringText(const std::vector<uint8_t>& descriptor) {
    std::string text;
    if (descriptor.size() < 2 || descriptor[1] != usb::kDescriptorString) {
        return text;
    }
    const size_t end = std::min<size_t>(descriptor[0], descriptor.size());
    for (size_t at = 2; at + 1 < end; at += 2) {
        const uint32_t unit = descriptor[at] | descriptor[at + 1] << 8;
        AppendUtf8(text, unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit);
    }
    return text;
}

std::string ReadString(usb::UsbDevice& device, uint8_t index, uint16_t language) {
    if (index == 0) {
        return {};
    }
    const auto descriptor =
        GetDescriptor(device, usb::kDescriptorString, index, language, kMaxStringLength);
    return descriptor ? StringText(*descriptor) : std::string();
}

}  // namespace

uint8_t DeviceDescriptors::ConfigurationValue() const {
    return configuration.size() > 5 ? configuration[5] : 0;
}

uint8_t DeviceDescriptors::NumInterfaces() const {
    return configuration.size() > 4 ? configuration[4] : 0;
}

uint8_t DeviceDescriptors::ConfigurationAttributes() const {
    return configuration.size() > 7 ? configuration[7] : 0;
}

uint8_t DeviceDescriptors::MaxPower() const {
    return configuration.size() > 8 ? configuration[8] : 0;
}

std::vector<uint8_t> DeviceDescriptors::Raw() const {
    std::vector<uint8_t> raw = device;
    raw.insert(raw.end(), configuration.begin(), configuration.end());
    return raw;
}

std::optional<DeviceDescriptors> ReadDescriptors(usb::UsbDevice& device) {
    DeviceDescriptors result;
    auto deviceDescriptor =
        GetDescriptor(device, usb::kDescriptorDevice, 0, 0, kDeviceDescriptorLength);
    if (!deviceDescriptor || deviceDescriptor->size() < kDeviceDescriptorLength) {
        return std::nullopt;
    }
    result.device = std::move(*deviceDescriptor);

    // The head first for wTotalLength, then the whole configuration.
    const auto head =
        GetDescriptor(device, usb::kDescriptorConfiguration, 0, 0, kConfigurationHeaderLength);
    if (!head || head->size() < kConfigurationHeaderLength) {
        return std::nullopt;
    }
    const uint16_t total = static_cast<uint16_t>((*head)[2] | (*head)[3] << 8);
    auto whole =
        GetDescriptor(device, usb::kDescriptorConfiguration, 0, 0,
                      std::min<uint16_t>(std::max<uint16_t>(total, 9), kMaxDescriptorLength));
    if (!whole || whole->size() < kConfigurationHeaderLength) {
        return std::nullopt;
    }
    result.configuration = std::move(*whole);

    // Strings in the device's first language, as the kernel reads them.
    const auto languages = GetDescriptor(device, usb::kDescriptorString, 0, 0, kMaxStringLength);
    if (languages && languages->size() >= 4) {
        const uint16_t language = static_cast<uint16_t>((*languages)[2] | (*languages)[3] << 8);
        result.manufacturer = ReadString(device, result.device[14], language);
        result.product = ReadString(device, result.device[15], language);
        result.serialNumber = ReadString(device, result.device[16], language);
    }
    return result;
}

}  // namespace corvane::usbfs
