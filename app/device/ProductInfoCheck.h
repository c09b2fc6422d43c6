// The product-information check at connection: the device's configuration
// string must be exactly "Projector Flash" (a projector in flash-download
// mode); anything else, "Projector Control" included, is not for us.
#pragma once

#include "common/UsbCtrl.h"

namespace corvane {

// True when the reply's Configuration string (UTF-16, NUL-terminated within
// its slot) is "Projector Flash", compared exactly and case-sensitively. A
// string without a NUL inside its slot does not match.
bool IsProjectorInFlashMode(const USBCTRL_PRODUCT_INFO& info);

}  // namespace corvane
