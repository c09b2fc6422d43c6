#include "app/device/ProductInfoCheck.h"

namespace corvane {

bool IsProjectorInFlashMode(const USBCTRL_PRODUCT_INFO& info) {
    static constexpr char kFlashConfiguration[] = "Projector Flash";
    constexpr unsigned kLength = sizeof(kFlashConfiguration) - 1;
    for (unsigned i = 0; i < kLength; ++i) {
        if (info.Configuration[i] != static_cast<uint16_t>(kFlashConfiguration[i])) {
            return false;
        }
    }
    return info.Configuration[kLength] == 0;
}

}  // namespace corvane
