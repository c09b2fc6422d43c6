#include "sim/usbfs/ConfigurationLayout.h"

#include <algorithm>

#include "platform/kernel/UsbDevice.h"

namespace corvane::usbfs {

bool ConfigurationLayout::HasInterface(uint8_t number) const {
    return AlternateCount(number) > 0;
}

const InterfaceSetting* ConfigurationLayout::Setting(uint8_t number, uint8_t alternate) const {
    for (const InterfaceSetting& setting : settings) {
        if (setting.number == number && setting.alternate == alternate) {
            return &setting;
        }
    }
    return nullptr;
}

int ConfigurationLayout::AlternateCount(uint8_t number) const {
    return static_cast<int>(std::count_if(settings.begin(), settings.end(),
                                          [&](const auto& s) { return s.number == number; }));
}

std::vector<uint8_t> ConfigurationLayout::InterfaceNumbers() const {
    std::vector<uint8_t> numbers;
    for (const InterfaceSetting& setting : settings) {
        if (std::find(numbers.begin(), numbers.end(), setting.number) == numbers.end()) {
            numbers.push_back(setting.number);
        }
    }
    return numbers;
}

ConfigurationLayout ReadConfigurationLayout(const std::vector<uint8_t>& configuration) {
    ConfigurationLayout layout;
    if (configuration.size() > 5) {
        layout.value = configuration[5];
    }
    size_t at = 0;
    while (at + 2 <= configuration.size()) {
        const size_t length = configuration[at];
        if (length < 2 || at + length > configuration.size()) {
            break;
        }
        const uint8_t* d = &configuration[at];
        if (d[1] == usb::kDescriptorInterface && length >= 9) {
            layout.settings.push_back({d[2], d[3], {}});
        } else if (d[1] == usb::kDescriptorEndpoint && length >= 7 && !layout.settings.empty()) {
            layout.settings.back().endpoints.push_back(
                {d[2], d[3], static_cast<uint16_t>(d[4] | d[5] << 8)});
        }
        at += length;
    }
    return layout;
}

}  // namespace corvane::usbfs
