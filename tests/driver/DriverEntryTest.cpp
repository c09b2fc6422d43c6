// Driver entry (the generation and the dispatch table) and AddDevice.
#include <gtest/gtest.h>

#include "driver/DeviceExtension.h"
#include "driver/Driver.h"
#include "tests/driver/StackHarness.h"
#include "tests/driver/TraceExpect.h"

namespace corvane::drivertest {
namespace {

using kernel::WindowsGeneration;

struct GenerationCase {
    WindowsGeneration generation;
    ULONG windows;
    const char* trace;
};

class DriverEntryOnGeneration : public ::testing::TestWithParam<GenerationCase> {};

TEST_P(DriverEntryOnGeneration, FindsTheGenerationOnce) {
    StackHarness harness(GetParam().generation);
    EXPECT_EQ(Windows, GetParam().windows);
    EXPECT_EQ(harness.TraceLines(),
              (std::vector<std::string>{
                  "USBCTRL: DriverEntry", GetParam().trace,
                  "USBCTRL: RegistryPath - "
                  "\\Registry\\Machine\\System\\CurrentControlSet\\Services\\Dornik"}));
}

INSTANTIATE_TEST_SUITE_P(
    Generations, DriverEntryOnGeneration,
    ::testing::Values(GenerationCase{WindowsGeneration::Win98, 0, "USBCTRL: WINDOWS 98"},
                      GenerationCase{WindowsGeneration::WinMe, 1, "USBCTRL: WINDOWS ME"},
                      GenerationCase{WindowsGeneration::Win2000, 2, "USBCTRL: WINDOWS 2000"},
                      GenerationCase{WindowsGeneration::WinXp, 3, "USBCTRL: WINDOWS XP"}));

TEST(DriverEntryTest, FillsTheDispatchTableAndNothingElse) {
    StackHarness harness;
    PDRIVER_OBJECT driver = harness.Driver();
    EXPECT_NE(driver->DriverExtension->AddDevice, nullptr);
    EXPECT_NE(driver->DriverUnload, nullptr);
    for (UCHAR major : {IRP_MJ_CREATE, IRP_MJ_CLOSE, IRP_MJ_READ, IRP_MJ_WRITE,
                        IRP_MJ_DEVICE_CONTROL, IRP_MJ_PNP, IRP_MJ_POWER}) {
        EXPECT_NE(driver->MajorFunction[major], &kernel::IoManager::DefaultDispatch) << int(major);
    }
    for (UCHAR major : {IRP_MJ_CLEANUP, IRP_MJ_INTERNAL_DEVICE_CONTROL, IRP_MJ_SYSTEM_CONTROL,
                        IRP_MJ_FLUSH_BUFFERS, IRP_MJ_SHUTDOWN}) {
        EXPECT_EQ(driver->MajorFunction[major], &kernel::IoManager::DefaultDispatch) << int(major);
    }
    EXPECT_NE(driver->MajorFunction[IRP_MJ_READ], driver->MajorFunction[IRP_MJ_WRITE]);
}

TEST(DriverEntryTest, UnloadOnlyTraces) {
    StackHarness harness;
    harness.ClearTrace();
    harness.Driver()->DriverUnload(harness.Driver());
    EXPECT_EQ(harness.TraceLines(), std::vector<std::string>{"USBCTRL: DriverUnload"});
}

TEST(AddDeviceTest, CreatesAnUnnamedDeviceAboveThePhysicalDevice) {
    StackHarness harness;
    harness.ClearTrace();
    ASSERT_EQ(harness.AddDevice(), STATUS_SUCCESS);
    PDEVICE_OBJECT fdo = harness.Fdo();
    ASSERT_NE(fdo, nullptr);
    EXPECT_EQ(fdo->DeviceType, static_cast<ULONG>(FILE_DEVICE_UNKNOWN));
    EXPECT_EQ(fdo->Characteristics, 0u);
    EXPECT_EQ(fdo->Flags & DO_DEVICE_INITIALIZING, 0u);
    EXPECT_NE(fdo->Flags & DO_POWER_PAGABLE, 0u);
    // Plain reads and writes travel in a system buffer.
    EXPECT_EQ(fdo->Flags & (DO_BUFFERED_IO | DO_DIRECT_IO), DO_BUFFERED_IO);

    auto* extension = static_cast<DEVICE_EXTENSION*>(fdo->DeviceExtension);
    EXPECT_EQ(extension->Self, fdo);
    EXPECT_EQ(extension->PhysicalDeviceObject, harness.Lower().Pdo());
    EXPECT_EQ(extension->LowerDeviceObject, harness.Lower().Pdo());
    EXPECT_EQ(extension->LanguageId, 0x0409);
    EXPECT_EQ(extension->SurpriseRemoved, 0);
    ASSERT_NE(extension->SymbolicLinkName.Buffer, nullptr);

    auto lines = harness.TraceLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "USBCTRL: AddDevice");
    std::u16string link(extension->SymbolicLinkName.Buffer,
                        extension->SymbolicLinkName.Length / sizeof(char16_t));
    EXPECT_EQ(lines[1], "USBCTRL: Symbolic link - " + std::string(link.begin(), link.end()));
}

TEST(AddDeviceTest, CreationFailureIsTracedAndReturned) {
    StackHarness harness;
    harness.ClearTrace();
    harness.Host().Faults().FailNextCreateDevice(STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(harness.AddDevice(), STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(harness.TraceLines(),
              (std::vector<std::string>{"USBCTRL: AddDevice",
                                        "USBCTRL: IoCreateDevice failed with result C000009A"}));
    EXPECT_EQ(harness.Lower().Pdo()->AttachedDevice, nullptr);
}

TEST(AddDeviceTest, InterfaceRegistrationFailureDeletesTheDevice) {
    StackHarness harness;
    size_t devices = harness.Host().Io().LiveDeviceCount();
    harness.ClearTrace();
    harness.Host().Faults().FailNextRegisterInterface(STATUS_INVALID_DEVICE_REQUEST);
    EXPECT_EQ(harness.AddDevice(), STATUS_INVALID_DEVICE_REQUEST);
    EXPECT_EQ(harness.TraceLines(), std::vector<std::string>{"USBCTRL: AddDevice"});
    EXPECT_EQ(harness.Host().Io().LiveDeviceCount(), devices);
}

TEST(AddDeviceTest, AttachFailureDeletesTheDeviceAndFreesTheLink) {
    StackHarness harness;
    size_t devices = harness.Host().Io().LiveDeviceCount();
    harness.Host().Faults().FailNextAttach();
    EXPECT_EQ(harness.AddDevice(), STATUS_UNSUCCESSFUL);
    EXPECT_TRUE(HasLine(harness.TraceLines(), "USBCTRL: IoAttachDeviceToDeviceStack failed"));
    EXPECT_EQ(harness.Host().Io().LiveDeviceCount(), devices);
    EXPECT_EQ(harness.Host().Pool().OutstandingTotal(), 0u);
}

}  // namespace
}  // namespace corvane::drivertest
