#include "sim/usbfs/PortPath.h"

namespace corvane::usbfs {

std::string RootHubName(int bus) {
    return "usb" + std::to_string(bus);
}

}  // namespace corvane::usbfs
