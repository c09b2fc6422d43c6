#include "platform/libusb/OpenFailureText.h"

namespace corvane::usb {

std::string DescribeOpenFailure(OpenFailure failure, const UsbLocation& location) {
    const std::string projector = "the projector at " + location.portPath + " (" + location.Ids() +
                                  ", " + location.NodePath() + ")";
    switch (failure) {
        case OpenFailure::NoPermission:
            return "No permission to open " + projector +
                   ". The udev rule 60-corvane.rules gives access to it: install the corvane "
                   "package, or run \"sudo make install-udev-rule\" in the source tree; then "
                   "unplug the projector and plug it in again.";
        case OpenFailure::Busy:
            return "Another program is using " + projector + "; it is left alone.";
        case OpenFailure::Gone:
            return "The projector at " + location.portPath + " left while it was being opened.";
        case OpenFailure::Other:
        case OpenFailure::None:
            break;
    }
    return "Cannot open " + projector + ".";
}

}  // namespace corvane::usb
