// Port paths on the emulated bus: the program's own (platform/portable), and
// the name sysfs gives a root hub, which has none.
#pragma once

#include <string>

#include "platform/portable/UsbPortPath.h"

namespace corvane::usbfs {

using usb::kMaxBusNumber;
using usb::kMaxHubPort;
using usb::kMaxPortDepth;
using usb::ParsePortPath;
using usb::PortPath;

// "usb1": the root hub's sysfs name.
std::string RootHubName(int bus);

}  // namespace corvane::usbfs
