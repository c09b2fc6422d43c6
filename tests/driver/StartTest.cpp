// Start-up of Dornik on a device stack whose lower driver is a double: the
// generation rules, every step's failure and what a full start traces.
#include <gtest/gtest.h>

#include "sim/ProjectorDescriptors.h"
#include "tests/driver/StackHarness.h"
#include "tests/driver/TraceExpect.h"

namespace corvane::drivertest {
namespace {

using kernel::WindowsGeneration;

constexpr UCHAR kDeviceType = 1;
constexpr UCHAR kConfigurationType = 2;

class StartOnGeneration : public ::testing::TestWithParam<WindowsGeneration> {};

TEST_P(StartOnGeneration, PassesTheStartDownFirstExceptOn2000) {
    StackHarness harness(GetParam());
    EXPECT_EQ(harness.AddAndStart(), STATUS_SUCCESS);

    std::vector<UCHAR> minors = harness.Lower().PnpMinors();
    auto lines = harness.TraceLines();
    if (GetParam() == WindowsGeneration::Win2000) {
        EXPECT_TRUE(minors.empty());
        EXPECT_EQ(LineStartingWith(lines, "USBCTRL OnRequestComplete()"), "");
    } else {
        ASSERT_EQ(minors, std::vector<UCHAR>{IRP_MN_START_DEVICE});
        EXPECT_TRUE(HasLinesInOrder(lines, {"USBCTRL: DispatchPnP - IRP_MN_START_DEVICE",
                                            "USBCTRL OnRequestComplete() - Irp status = 0",
                                            "USBCTRL - Manufacturer String ID: 1"}));
    }
    EXPECT_TRUE(HasLine(lines, "USBCTRL - Device successfully started"));
    EXPECT_EQ(harness.OutstandingPool(), 0u);
    EXPECT_TRUE(harness.Host().Violations().empty());
}

TEST_P(StartOnGeneration, LowerFailureEndsTheStartExceptOn2000) {
    StackHarness harness(GetParam());
    harness.Lower().SetPnpAnswer(IRP_MN_START_DEVICE, STATUS_NO_SUCH_DEVICE, Completion::Immediate);
    ASSERT_EQ(harness.AddDevice(), STATUS_SUCCESS);
    NTSTATUS status = harness.Pnp(IRP_MN_START_DEVICE).status;

    if (GetParam() == WindowsGeneration::Win2000) {
        EXPECT_EQ(status, STATUS_SUCCESS);
        EXPECT_GT(harness.Lower().CountUrbs(URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE), 0u);
    } else {
        EXPECT_EQ(status, STATUS_NO_SUCH_DEVICE);
        EXPECT_EQ(harness.Lower().Urbs().size(), 0u);
        EXPECT_TRUE(HasLine(harness.TraceLines(), "USBCTRL OnRequestComplete() - Irp status = " +
                                                      Decimal(STATUS_NO_SUCH_DEVICE)));
    }
    EXPECT_TRUE(harness.Host().Violations().empty());
}

INSTANTIATE_TEST_SUITE_P(Generations, StartOnGeneration,
                         ::testing::Values(WindowsGeneration::Win98, WindowsGeneration::WinMe,
                                           WindowsGeneration::Win2000, WindowsGeneration::WinXp));

TEST(StartTest, LowerDriverThatPendsAndThenFailsEndsTheStart) {
    StackHarness harness;
    harness.Lower().SetPnpAnswer(IRP_MN_START_DEVICE, STATUS_IO_DEVICE_ERROR, Completion::Pending);
    ASSERT_EQ(harness.AddDevice(), STATUS_SUCCESS);
    EXPECT_EQ(harness.Pnp(IRP_MN_START_DEVICE).status, STATUS_IO_DEVICE_ERROR);
    EXPECT_EQ(harness.Lower().Urbs().size(), 0u);
    EXPECT_TRUE(HasLine(harness.TraceLines(), "USBCTRL OnRequestComplete() - Irp status = " +
                                                  Decimal(STATUS_IO_DEVICE_ERROR)));
    EXPECT_TRUE(harness.Host().Violations().empty());
}

TEST(StartTest, LowerDriverThatPendsAndThenSucceedsLetsTheStartGoOn) {
    StackHarness harness;
    harness.Lower().SetPnpAnswer(IRP_MN_START_DEVICE, STATUS_SUCCESS, Completion::Pending);
    EXPECT_EQ(harness.AddAndStart(), STATUS_SUCCESS);
    EXPECT_TRUE(HasLine(harness.TraceLines(), "USBCTRL - Device successfully started"));
}

TEST(StartTest, FullStartTracesEveryStepInOrder) {
    StackHarness harness;
    ASSERT_EQ(harness.AddAndStart(), STATUS_SUCCESS);
    auto lines = harness.TraceLines();
    EXPECT_TRUE(HasLinesInOrder(
        lines, {"USBCTRL: DispatchPnP - IRP_MN_START_DEVICE",
                "USBCTRL - Manufacturer String ID: 1",
                "USBCTRL GetUbString()",
                "USBCTRL Device-defined index of the descriptor = 1",
                "USBCTRL String returned \"\x0C\x03V\"",
                "USBCTRL - Manufacturer: Velta",
                "USBCTRL Device-defined index of the descriptor = 2",
                "USBCTRL - Product: PJX2000 Projector",
                "USBCTRL Device-defined index of the descriptor = 3",
                "USBCTRL - Serial Number: A10000012345",
                "USBCTRL - Number of configurations: 1",
                "USBCTRL Device-defined index of the descriptor = 4",
                "USBCTRL - Configuration: Projector Flash",
                "USBCTRL - Number of Interfaces = 1",
                "USBCTRL Device-defined index of the descriptor = 5",
                "USBCTRL -   Interface: Projector Flash - Endpoints: 2",
                "USBCTRL - Found Projector Flash Interface",
                "USBCTRL -     Endpoint:1 - Address:81 - Type:Bulk - Max Packet Size:64",
                "USBCTRL -     Endpoint:2 - Address:2 - Type:Bulk - Max Packet Size:64",
                "USBCTRL DeviceExtensionPtr->ConfigHandle(0XC0F1)",
                "USBCTRL DeviceExtensionPtr->HCIInputHandle(0X10000)",
                "USBCTRL DeviceExtensionPtr->HCIOutputHandle(0X10010)",
                "USBCTRL - Device successfully started"}));
    EXPECT_EQ(
        LineStartingWith(lines, "USBCTRL SendUrb (0X").find(") IRQL (0)") == std::string::npos,
        false);

    // Device, three strings, head, configuration string, whole, interface string.
    auto urbs = harness.Lower().Urbs();
    ASSERT_EQ(urbs.size(), 9u);
    EXPECT_EQ(urbs[0].descriptorType, kDeviceType);
    EXPECT_EQ(urbs[0].length, 18u);
    EXPECT_EQ(urbs[1].descriptorType, 3);
    EXPECT_EQ(urbs[1].languageId, 0x0409);
    EXPECT_EQ(urbs[1].length, 256u);
    EXPECT_EQ(urbs[4].descriptorType, kConfigurationType);
    EXPECT_EQ(urbs[4].length, 9u);
    EXPECT_EQ(urbs[6].descriptorType, kConfigurationType);
    EXPECT_EQ(urbs[6].length, 32u);
    EXPECT_EQ(urbs[8].function, URB_FUNCTION_SELECT_CONFIGURATION);
    EXPECT_TRUE(urbs[8].hasConfiguration);
}

struct StepFailure {
    const char* name;
    UCHAR type;
    int skip;
    const char* line;  // with %X for the status
};

class StartStepFails : public ::testing::TestWithParam<StepFailure> {};

TEST_P(StartStepFails, EndsTheStartWithTheTransferStatus) {
    const StepFailure& step = GetParam();
    StackHarness harness;
    harness.Lower().FailDescriptor(step.type, step.skip, STATUS_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(harness.AddAndStart(), STATUS_DEVICE_NOT_CONNECTED);
    std::string line = step.line;
    line.replace(line.find("%X"), 2, Hex(STATUS_DEVICE_NOT_CONNECTED));
    auto lines = harness.TraceLines();
    EXPECT_TRUE(HasLine(lines, line));
    EXPECT_FALSE(HasLine(lines, "USBCTRL - Device successfully started"));
    EXPECT_EQ(harness.Lower().CountUrbs(URB_FUNCTION_SELECT_CONFIGURATION), 0u);
    EXPECT_EQ(harness.OutstandingPool(), 0u);
    EXPECT_TRUE(harness.Host().Violations().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, StartStepFails,
    ::testing::Values(StepFailure{"DeviceDescriptor", kDeviceType, 0,
                                  "USBCTRL - Error %X trying to read device descriptor"},
                      StepFailure{"ConfigurationHead", kConfigurationType, 0,
                                  "USBCTRL - Error %X trying to read config descriptor header"},
                      StepFailure{"WholeConfiguration", kConfigurationType, 1,
                                  "USBCTRL - Error %X trying to read config descriptor"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StartTest, SelectionFailureEndsTheStartAndFreesEverything) {
    StackHarness harness;
    harness.Lower().FailUrbs(URB_FUNCTION_SELECT_CONFIGURATION, STATUS_DEVICE_DATA_ERROR);
    EXPECT_EQ(harness.AddAndStart(), STATUS_DEVICE_DATA_ERROR);
    EXPECT_TRUE(HasLine(harness.TraceLines(), "USBCTRL - Error " + Hex(STATUS_DEVICE_DATA_ERROR) +
                                                  " trying to select configuration"));
    EXPECT_EQ(harness.OutstandingPool(), 0u);
}

TEST(StartTest, ConfigurationBufferAllocationFailure) {
    StackHarness harness;
    ASSERT_EQ(harness.AddDevice(), STATUS_SUCCESS);
    harness.Host().Pool().FailNextAllocations(1, kDornikTag);
    EXPECT_EQ(harness.Pnp(IRP_MN_START_DEVICE).status, STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_TRUE(HasLine(harness.TraceLines(),
                        "USBCTRL - Unable to allocate 20 bytes for configuration descriptor"));
    EXPECT_EQ(harness.Lower().CountUrbs(URB_FUNCTION_SELECT_CONFIGURATION), 0u);
}

TEST(StartTest, InterfaceListAllocationFailureFailsTheStart) {
    StackHarness harness;
    ASSERT_EQ(harness.AddDevice(), STATUS_SUCCESS);
    int seen = 0;
    harness.Host().Pool().SetFailurePolicy(
        [&seen](uint32_t tag, size_t) { return tag == kDornikTag && ++seen == 2; });
    EXPECT_EQ(harness.Pnp(IRP_MN_START_DEVICE).status, STATUS_INSUFFICIENT_RESOURCES);
    harness.Host().Pool().SetFailurePolicy(nullptr);
    EXPECT_NE(LineStartingWith(harness.TraceLines(), "USBCTRL - Unable to allocate "), "");
    EXPECT_EQ(harness.Lower().CountUrbs(URB_FUNCTION_SELECT_CONFIGURATION), 0u);
    EXPECT_EQ(harness.OutstandingPool(), 0u);
}

TEST(StartTest, ConfigurationRequestThatCannotBeBuilt) {
    StackHarness harness;
    ASSERT_EQ(harness.AddDevice(), STATUS_SUCCESS);
    // Only the selection request comes from another tag than the driver's own.
    harness.Host().Pool().SetFailurePolicy([](uint32_t tag, size_t) { return tag != kDornikTag; });
    EXPECT_EQ(harness.Pnp(IRP_MN_START_DEVICE).status, STATUS_DEVICE_CONFIGURATION_ERROR);
    harness.Host().Pool().SetFailurePolicy(nullptr);
    EXPECT_TRUE(
        HasLine(harness.TraceLines(), "USBCTRL - Error trying to create Configuration Request"));
    EXPECT_EQ(harness.OutstandingPool(), 0u);
}

TEST(StartTest, MissingPipeHandlesFailTheStart) {
    StackHarness harness;
    harness.Lower().WithholdPipes(0);
    EXPECT_EQ(harness.AddAndStart(), STATUS_INSUFFICIENT_RESOURCES);
    auto lines = harness.TraceLines();
    EXPECT_TRUE(HasLinesInOrder(lines, {"USBCTRL DeviceExtensionPtr->HCIInputHandle(0X0)",
                                        "USBCTRL DeviceExtensionPtr->HCIOutputHandle(0X0)",
                                        "USBCTRL - Error getting configuration handles"}));
    EXPECT_EQ(harness.OutstandingPool(), 0u);
}

TEST(StartTest, UnreadableStringsNeverFailTheStart) {
    StackHarness harness;
    harness.Lower().FailDescriptor(3, 0, STATUS_UNSUCCESSFUL);
    EXPECT_EQ(harness.AddAndStart(), STATUS_SUCCESS);
    EXPECT_TRUE(HasLine(harness.TraceLines(), "USBCTRL - Manufacturer: "));
}

TEST(StartTest, StopThenStartReadsEverythingAgain) {
    StackHarness harness;
    ASSERT_EQ(harness.AddAndStart(), STATUS_SUCCESS);
    size_t descriptorReads = harness.Lower().CountUrbs(URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE);

    auto stop = harness.Pnp(IRP_MN_STOP_DEVICE);
    EXPECT_EQ(stop.status, STATUS_SUCCESS);
    // Stop goes down; the configuration and handles stay until the next start.
    EXPECT_EQ(harness.Lower().PnpMinors(),
              (std::vector<UCHAR>{IRP_MN_START_DEVICE, IRP_MN_STOP_DEVICE}));
    EXPECT_EQ(harness.Pnp(IRP_MN_START_DEVICE).status, STATUS_SUCCESS);

    EXPECT_EQ(harness.Lower().CountUrbs(URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE),
              2 * descriptorReads);
    EXPECT_EQ(harness.Lower().CountUrbs(URB_FUNCTION_SELECT_CONFIGURATION), 2u);
    EXPECT_EQ(CountLines(harness.TraceLines(), "USBCTRL - Device successfully started"), 2u);
    EXPECT_EQ(harness.OutstandingPool(), 0u);
}

}  // namespace
}  // namespace corvane::drivertest
