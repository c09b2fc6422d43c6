#include "app/ui/qt/CorvaneOptions.h"

#include <string_view>
#include <vector>

namespace corvane::qt {

namespace {

// Options of the terminal front end that mean nothing in a window.
bool Accepted(std::string_view argument) {
    return argument == "--settings" || argument == "--simulate" || argument == "--device" ||
           argument == "--usb-id" || argument.substr(0, 6) == "--sim-";
}

}  // namespace

std::string ReadCorvaneOptions(const std::vector<std::string>& texts, cli::DeviceOptions& options) {
    cli::CliArguments views;
    bool valueNext = false;
    for (const std::string& text : texts) {
        if (!valueNext && !Accepted(text)) {
            return "unknown argument " + text;
        }
        // The option before took this as its value.
        valueNext = !valueNext && text != "--simulate" && text != "--sim-pace";
        views.push_back(text);
    }
    return cli::ReadDeviceOptions(views, false, options);
}

}  // namespace corvane::qt
