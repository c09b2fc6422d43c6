// Which interface Dornik runs the device through, and configurations that
// are not what they claim to be.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/ProjectorDescriptors.h"
#include "tests/driver/StackHarness.h"
#include "tests/driver/TraceExpect.h"

namespace corvane::drivertest {
namespace {

namespace unusual = sim::unusual;

std::string InputHandleLine(size_t position) {
    return "USBCTRL DeviceExtensionPtr->HCIInputHandle(0X" +
           Hex(static_cast<uint32_t>(
               reinterpret_cast<uintptr_t>(LowerDriverDouble::PipeHandleFor(position, 0)))) +
           ")";
}

struct SelectionCase {
    const char* name;
    std::vector<std::string> interfaces;
    size_t selected;
};

class InterfaceSelection : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(InterfaceSelection, RunsTheDeviceThroughTheChosenInterface) {
    const SelectionCase& c = GetParam();
    StackHarness harness(kernel::WindowsGeneration::WinXp,
                         unusual::WithInterfaces(ProjectorSpec(), c.interfaces));
    ASSERT_EQ(harness.AddAndStart(), STATUS_SUCCESS);
    EXPECT_TRUE(HasLine(harness.TraceLines(), InputHandleLine(c.selected)));

    // Reads use the interface's first pipe, writes its second.
    harness.Lower().ClearUrbs();
    USBCTRL_REQUEST request{};
    request.Length = 1;
    request.Data[0] = 'P';
    ASSERT_EQ(harness.IoControl(IOCTRL_WRITE_DATA, &request, sizeof(request), nullptr, 0).status,
              STATUS_SUCCESS);
    harness.Lower().QueueIn({0x06});
    request.HCIReadBufferSize = 64;
    USBCTRL_REPLY reply{};
    ASSERT_EQ(harness.IoControl(IOCTRL_READ_DATA, &request, sizeof(request), &reply, sizeof(reply))
                  .status,
              STATUS_SUCCESS);
    auto urbs = harness.Lower().Urbs();
    ASSERT_EQ(urbs.size(), 2u);
    EXPECT_EQ(urbs[0].pipe, LowerDriverDouble::PipeHandleFor(c.selected, 1));
    EXPECT_EQ(urbs[1].pipe, LowerDriverDouble::PipeHandleFor(c.selected, 0));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InterfaceSelection,
    ::testing::Values(
        SelectionCase{"ControlThenFlash", {"Projector Control", "Projector Flash"}, 1},
        SelectionCase{"FlashThenControl", {"Projector Flash", "Projector Control"}, 1},
        SelectionCase{"LastMatchWins", {"Projector Flash", "Projector Flash", "Other"}, 1},
        SelectionCase{"CapitalsMatch", {"Other", "PROJECTOR CONTROL", "Another"}, 1},
        SelectionCase{"LowerCaseMatches", {"Other", "projector flash"}, 1},
        SelectionCase{"NoneMatchesMeansFirst", {"Other", "Another", "Projector"}, 0},
        SelectionCase{"PrefixIsNoMatch", {"Other", "Projector Flash 2"}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InterfaceSelectionTest, MatchingNamesAreTraced) {
    StackHarness harness(
        kernel::WindowsGeneration::WinXp,
        unusual::WithInterfaces(ProjectorSpec(), {"projector control", "Projector Flash"}));
    ASSERT_EQ(harness.AddAndStart(), STATUS_SUCCESS);
    EXPECT_TRUE(HasLinesInOrder(harness.TraceLines(),
                                {"USBCTRL - Number of Interfaces = 2",
                                 "USBCTRL -   Interface: projector control - Endpoints: 2",
                                 "USBCTRL - Found Projector Control Interface",
                                 "USBCTRL -   Interface: Projector Flash - Endpoints: 2",
                                 "USBCTRL - Found Projector Flash Interface"}));
}

TEST(InterfaceSelectionTest, SelectedInterfaceWithOneEndpointFailsTheStart) {
    StackHarness harness(kernel::WindowsGeneration::WinXp,
                         unusual::WithOneEndpoint(ProjectorSpec(), 0));
    EXPECT_EQ(harness.AddAndStart(), STATUS_INSUFFICIENT_RESOURCES);
    auto lines = harness.TraceLines();
    EXPECT_TRUE(HasLine(lines, "USBCTRL -   Interface: Projector Flash - Endpoints: 1"));
    EXPECT_TRUE(HasLine(lines, "USBCTRL - Error getting configuration handles"));
    EXPECT_FALSE(HasLine(lines, "USBCTRL - Device successfully started"));
    EXPECT_EQ(harness.OutstandingPool(), 0u);
}

TEST(InterfaceSelectionTest, AlternateSettingsDoNotOverrunTheInterfaceList) {
    StackHarness harness(kernel::WindowsGeneration::WinXp,
                         unusual::WithAlternateSetting(ProjectorSpec()));
    harness.AddAndStart();
    auto lines = harness.TraceLines();
    EXPECT_TRUE(HasLine(lines, "USBCTRL - Number of Interfaces = 1"));
    size_t interfaces = 0;
    for (const std::string& line : lines) {
        interfaces += line.rfind("USBCTRL -   Interface: ", 0) == 0;
    }
    EXPECT_EQ(interfaces, 2u);
    EXPECT_EQ(harness.OutstandingPool(), 0u);
    EXPECT_TRUE(harness.Host().Violations().empty());
}

TEST(InterfaceSelectionTest, TotalLengthLargerThanTheDeviceSendsIsCutToWhatCame) {
    StackHarness harness(kernel::WindowsGeneration::WinXp,
                         unusual::WithTotalLength(ProjectorSpec(), 200));
    EXPECT_EQ(harness.AddAndStart(), STATUS_SUCCESS);
    auto lines = harness.TraceLines();
    EXPECT_TRUE(
        HasLine(lines, "USBCTRL -     Endpoint:2 - Address:2 - Type:Bulk - Max Packet Size:64"));
    EXPECT_EQ(harness.OutstandingPool(), 0u);
}

TEST(InterfaceSelectionTest, ZeroLengthDescriptorEndsTheWalk) {
    // The interface descriptor's bLength is 0: nothing past the head is walked.
    StackHarness harness(kernel::WindowsGeneration::WinXp,
                         unusual::WithConfigurationByte(ProjectorSpec(), 9, 0));
    EXPECT_NE(harness.AddAndStart(), STATUS_SUCCESS);
    auto lines = harness.TraceLines();
    EXPECT_EQ(LineStartingWith(lines, "USBCTRL -   Interface:"), "");
    EXPECT_FALSE(HasLine(lines, "USBCTRL - Device successfully started"));
    EXPECT_EQ(harness.OutstandingPool(), 0u);
}

TEST(InterfaceSelectionTest, EndpointRunningPastTheEndIsNotListed) {
    StackHarness harness(kernel::WindowsGeneration::WinXp,
                         unusual::WithConfigurationByte(ProjectorSpec(), 25, 200));
    harness.AddAndStart();
    auto lines = harness.TraceLines();
    EXPECT_TRUE(
        HasLine(lines, "USBCTRL -     Endpoint:1 - Address:81 - Type:Bulk - Max Packet Size:64"));
    EXPECT_EQ(LineStartingWith(lines, "USBCTRL -     Endpoint:2"), "");
    EXPECT_EQ(harness.OutstandingPool(), 0u);
}

TEST(InterfaceSelectionTest, ShortConfigurationHeadFailsTheStart) {
    StackHarness harness(kernel::WindowsGeneration::WinXp,
                         unusual::WithTotalLength(ProjectorSpec(), 4));
    EXPECT_EQ(harness.AddAndStart(), STATUS_DEVICE_DATA_ERROR);
    EXPECT_TRUE(HasLine(harness.TraceLines(), "USBCTRL - Error " + Hex(STATUS_DEVICE_DATA_ERROR) +
                                                  " trying to read config descriptor header"));
    EXPECT_EQ(harness.OutstandingPool(), 0u);
}

}  // namespace
}  // namespace corvane::drivertest
