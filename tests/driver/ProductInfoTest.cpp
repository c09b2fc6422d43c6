// The strings Dornik reads at start-up, as IOCTRL_GET_PRODUCT_INFO returns them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "sim/ProjectorDescriptors.h"
#include "tests/driver/StackHarness.h"
#include "tests/driver/TraceExpect.h"

namespace corvane::drivertest {
namespace {

namespace unusual = sim::unusual;

std::u16string Slot(const uint16_t* units) {
    std::u16string text;
    for (size_t i = 0; i < USBCTRL_STRING_UNITS && units[i] != 0; ++i) {
        text.push_back(static_cast<char16_t>(units[i]));
    }
    return text;
}

bool SecondHalfZero(const uint16_t* units) {
    for (size_t i = USBCTRL_STRING_UNITS / 2; i < USBCTRL_STRING_UNITS; ++i) {
        if (units[i] != 0) {
            return false;
        }
    }
    return true;
}

USBCTRL_PRODUCT_INFO ProductInfo(StackHarness& harness) {
    USBCTRL_PRODUCT_INFO info;
    std::memset(&info, 0xEE, sizeof(info));
    kernel::RequestResult result =
        harness.IoControl(IOCTRL_GET_PRODUCT_INFO, nullptr, 0, &info, sizeof(info));
    EXPECT_EQ(result.status, STATUS_SUCCESS);
    EXPECT_EQ(result.information, sizeof(USBCTRL_REPLY));
    return info;
}

TEST(ProductInfoTest, ReturnsIdsAndTheFourStrings) {
    StackHarness harness;
    ASSERT_EQ(harness.AddAndStart(), STATUS_SUCCESS);
    harness.ClearTrace();
    USBCTRL_PRODUCT_INFO info = ProductInfo(harness);
    EXPECT_EQ(info.Status, 0u);
    EXPECT_EQ(info.Length, 0u);
    EXPECT_EQ(info.VendorId, 0x1209);
    EXPECT_EQ(info.ProductId, 0x0001);
    EXPECT_EQ(Slot(info.Manufacturer), u"Velta");
    EXPECT_EQ(Slot(info.Product), u"PJX2000 Projector");
    EXPECT_EQ(Slot(info.SerialNumber), u"A10000012345");
    EXPECT_EQ(Slot(info.Configuration), u"Projector Flash");
    EXPECT_TRUE(SecondHalfZero(info.Manufacturer));
    EXPECT_TRUE(SecondHalfZero(info.Configuration));

    auto lines = harness.TraceLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "USBCTRL: DispatchIoControl - IOCTRL_GET_PRODUCT_INFO");
    EXPECT_EQ(lines[1].rfind("Data copied (size=2060) to IrpPtr(0X", 0), 0u);
    EXPECT_NE(lines[1].find(")->AssociatedIrp.SystemBuffer()"), std::string::npos);
}

struct LengthCase {
    const char* name;
    uint8_t bLength;
    std::u16string expected;
};

class StringLength : public ::testing::TestWithParam<LengthCase> {};

// Only whole characters inside bLength count: bLength 3 holds one byte of a
// character, which is dropped.
TEST_P(StringLength, TakesWholeCharactersOfBLength) {
    StackHarness harness(
        kernel::WindowsGeneration::WinXp,
        unusual::WithStringLength(ProjectorSpec(), sim::kManufacturerString, GetParam().bLength));
    ASSERT_EQ(harness.AddAndStart(), STATUS_SUCCESS);
    USBCTRL_PRODUCT_INFO info = ProductInfo(harness);
    EXPECT_EQ(Slot(info.Manufacturer), GetParam().expected);
    EXPECT_EQ(Slot(info.Product), u"PJX2000 Projector");
    std::string traced(GetParam().expected.begin(), GetParam().expected.end());
    EXPECT_TRUE(HasLine(harness.TraceLines(), "USBCTRL - Manufacturer: " + traced));
}

INSTANTIATE_TEST_SUITE_P(Lengths, StringLength,
                         ::testing::Values(LengthCase{"Zero", 0, u""}, LengthCase{"One", 1, u""},
                                           LengthCase{"Two", 2, u""}, LengthCase{"Three", 3, u""},
                                           LengthCase{"Five", 5, u"V"},
                                           LengthCase{"Six", 6, u"Ve"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProductInfoTest, SerialNumberIndexZeroReadsTheLanguageTable) {
    StackHarness harness(kernel::WindowsGeneration::WinXp,
                         unusual::WithoutSerialNumber(ProjectorSpec()));
    ASSERT_EQ(harness.AddAndStart(), STATUS_SUCCESS);
    EXPECT_TRUE(
        HasLine(harness.TraceLines(), "USBCTRL Device-defined index of the descriptor = 0"));
    USBCTRL_PRODUCT_INFO info = ProductInfo(harness);
    EXPECT_EQ(Slot(info.SerialNumber), std::u16string(1, char16_t{0x0409}));
}

TEST(ProductInfoTest, RejectedStringLeavesOnlyItsSlotEmpty) {
    StackHarness harness(kernel::WindowsGeneration::WinXp,
                         unusual::WithRejectedRequest(ProjectorSpec(), 3, sim::kProductString));
    ASSERT_EQ(harness.AddAndStart(), STATUS_SUCCESS);
    USBCTRL_PRODUCT_INFO info = ProductInfo(harness);
    EXPECT_EQ(Slot(info.Product), u"");
    EXPECT_EQ(info.Product[0], 0);
    EXPECT_EQ(Slot(info.Manufacturer), u"Velta");
    EXPECT_EQ(Slot(info.Configuration), u"Projector Flash");
    EXPECT_TRUE(HasLine(harness.TraceLines(), "USBCTRL - Product: "));
}

TEST(ProductInfoTest, StringsAreReadAgainAtTheNextStart) {
    StackHarness harness;
    ASSERT_EQ(harness.AddAndStart(), STATUS_SUCCESS);
    ASSERT_EQ(harness.Pnp(IRP_MN_STOP_DEVICE).status, STATUS_SUCCESS);
    harness.Lower().FailDescriptor(3, 0, STATUS_UNSUCCESSFUL);  // manufacturer this time
    ASSERT_EQ(harness.Pnp(IRP_MN_START_DEVICE).status, STATUS_SUCCESS);
    USBCTRL_PRODUCT_INFO info = ProductInfo(harness);
    EXPECT_EQ(Slot(info.Manufacturer), u"");
    EXPECT_EQ(Slot(info.Product), u"PJX2000 Projector");
}

}  // namespace
}  // namespace corvane::drivertest
