#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/device/ProductInfoCheck.h"

namespace corvane {
namespace {

USBCTRL_PRODUCT_INFO WithConfiguration(const std::u16string& text) {
    USBCTRL_PRODUCT_INFO info;
    std::memset(&info, 0, sizeof(info));
    for (size_t i = 0; i < text.size() && i < USBCTRL_STRING_UNITS; ++i) {
        info.Configuration[i] = text[i];
    }
    return info;
}

TEST(ProductInfoCheck, OnlyTheExactFlashConfigurationPasses) {
    EXPECT_TRUE(IsProjectorInFlashMode(WithConfiguration(u"Projector Flash")));
    EXPECT_FALSE(IsProjectorInFlashMode(WithConfiguration(u"Projector Control")));
    EXPECT_FALSE(IsProjectorInFlashMode(WithConfiguration(u"projector flash")));
    EXPECT_FALSE(IsProjectorInFlashMode(WithConfiguration(u"Projector Flash ")));
    EXPECT_FALSE(IsProjectorInFlashMode(WithConfiguration(u"Projector Flas")));
    EXPECT_FALSE(IsProjectorInFlashMode(WithConfiguration(u"")));
}

TEST(ProductInfoCheck, AZeroedReplyOfAFailedRequestFails) {
    USBCTRL_PRODUCT_INFO info;
    std::memset(&info, 0, sizeof(info));
    EXPECT_FALSE(IsProjectorInFlashMode(info));
}

TEST(ProductInfoCheck, TheStringIsReadAtItsOwnOffsetOnly) {
    USBCTRL_PRODUCT_INFO info = WithConfiguration(u"");
    const std::u16string flash = u"Projector Flash";
    for (size_t i = 0; i < flash.size(); ++i) {
        info.Product[i] = flash[i];  // the product string does not count
    }
    EXPECT_FALSE(IsProjectorInFlashMode(info));
    // A wide character whose low byte looks right is not the letter.
    info = WithConfiguration(u"Projector Flash");
    info.Configuration[0] = 0x0150;
    EXPECT_FALSE(IsProjectorInFlashMode(info));
}

}  // namespace
}  // namespace corvane
