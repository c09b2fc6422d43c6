#include "app/cli/RealProjectorRun.h"

#include <cstring>

#include "platform/SettingsKey.h"

namespace corvane::cli {

namespace {

constexpr const char* kUsbIdsSetting = "UsbIds";
constexpr uint32_t kUsbIdsLimit = 1024;

}  // namespace

hosted::RealProjectorOptions RealProjectorOptionsOf(const DeviceOptions& options,
                                                    const hosted::ProblemReport& warn) {
    hosted::RealProjectorOptions usb = options.usb;
    const std::unique_ptr<platform::SettingsKey> key =
        platform::SettingsKey::OpenOrCreateOrDefault(options.settingsFile);
    char text[kUsbIdsLimit] = {};
    uint32_t size = sizeof text - 1;
    if (key == nullptr || !key->Query(kUsbIdsSetting, text, &size)) {
        return usb;
    }
    const std::string error = AddUsbIdSetting(std::string_view(text, strnlen(text, size)), usb.ids);
    if (!error.empty() && warn) {
        warn(error);
    }
    return usb;
}

void StartRealProjectorRun(hosted::HostedSystem& system, const DeviceOptions& options,
                           const hosted::ProblemReport& report) {
    std::string error;
    if (!hosted::StartRealProjectors(system, RealProjectorOptionsOf(options, report), report,
                                     &error)) {
        report("No USB projector can be reached: " + error);
    }
}

}  // namespace corvane::cli
