// Rules that Windows enforces (by a bugcheck or Driver Verifier) and the
// hosted kernel reports as violations: each case breaks one on purpose.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel/IrpQuarantine.h"
#include "platform/kernel/KernelHost.h"
#include "platform/kernel/ddk/usbdlib.h"
#include "platform/kernel/ddk/usbioctl.h"
#include "tests/kernel/DriverDoubles.h"
#include "tests/kernel/PdoRequests.h"
#include "tests/kernel/RuleBreakerDouble.h"
#include "tests/kernel/UsbDeviceDouble.h"

namespace corvane::kernel::test {
namespace {

constexpr ULONG kCode = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x820, METHOD_BUFFERED, 0);
constexpr ULONG kTestTag = 0x20747354;  // "Tst "

bool Reported(const KernelHost& host, const std::string& rule) {
    for (const std::string& text : host.Violations()) {
        if (text.find(rule) != std::string::npos) {
            return true;
        }
    }
    return false;
}

PIRP Build(PDEVICE_OBJECT device, KEVENT* event, IO_STATUS_BLOCK* iosb) {
    KeInitializeEvent(event, NotificationEvent, FALSE);
    return IoBuildDeviceIoControlRequest(kCode, device, nullptr, 0, nullptr, 0, FALSE, event, iosb);
}

struct PendingCase {
    const char* name;
    Breach breach;
    const char* rule;
};

void PrintTo(const PendingCase& param, std::ostream* out) {
    *out << param.name;
}

class PendingRuleTest : public ::testing::TestWithParam<PendingCase> {
protected:
    KernelHost host;
    LowerDriverDouble lower{host};
};

TEST_P(PendingRuleTest, DispatchThatDisagreesWithItsPendingMarkIsReported) {
    const PendingCase& param = GetParam();
    lower.PendRequests();
    RuleBreakerDouble breaker(host, param.breach, lower.Device());
    std::thread completer([&] {
        PIRP irp = param.breach == Breach::DropPendingInCompletion ? lower.TakePending() : nullptr;
        while (param.breach == Breach::PendWithoutMark && (irp = breaker.Held()) == nullptr) {
            std::this_thread::yield();
        }
        if (irp != nullptr) {
            irp->IoStatus.Status = STATUS_SUCCESS;
            IofCompleteRequest(irp, IO_NO_INCREMENT);
        }
    });
    host.Io().DeviceControl(breaker.Device(), nullptr, kCode, nullptr, 0, nullptr, 0);
    completer.join();
    EXPECT_TRUE(Reported(host, param.rule)) << ::testing::PrintToString(host.Violations());
}

INSTANTIATE_TEST_SUITE_P(
    Breaches, PendingRuleTest,
    ::testing::Values(PendingCase{"PendWithoutMark", Breach::PendWithoutMark,
                                  "STATUS_PENDING returned without IoMarkIrpPending"},
                      PendingCase{"MarkThenCompleteAtOnce", Breach::MarkThenCompleteAtOnce,
                                  "IoMarkIrpPending without returning STATUS_PENDING"},
                      PendingCase{"DropPendingInCompletion", Breach::DropPendingInCompletion,
                                  "STATUS_PENDING returned without IoMarkIrpPending"}),
    [](const ::testing::TestParamInfo<PendingCase>& info) { return info.param.name; });

TEST(PendingRule, OriginatorMarkingPendingWithoutALocationIsReported) {
    KernelHost host;
    LowerDriverDouble lower{host};
    lower.PendRequests();
    PIRP irp = IoAllocateIrp(lower.Device()->StackSize, FALSE);
    ASSERT_NE(irp, nullptr);
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
    IoSetCompletionRoutine(irp, &RuleBreakerDouble::MarkingOriginatorRoutine, nullptr, TRUE, TRUE,
                           TRUE);
    EXPECT_EQ(IofCallDriver(lower.Device(), irp), STATUS_PENDING);
    PIRP pending = lower.TakePending();
    pending->IoStatus.Status = STATUS_SUCCESS;
    IofCompleteRequest(pending, IO_NO_INCREMENT);
    IoFreeIrp(irp);
    EXPECT_TRUE(Reported(host, "IoMarkIrpPending by the IRP's originator"));
}

// A host request is still alive at its second completion; a built one is
// already freed, and only the quarantine's mark says what it was.
TEST(CompletionRule, SecondCompletionOfAHostRequestIsReported) {
    KernelHost host;
    RuleBreakerDouble breaker(host, Breach::CompleteTwice);
    host.Io().DeviceControl(breaker.Device(), nullptr, kCode, nullptr, 0, nullptr, 0);
    EXPECT_TRUE(Reported(host, "IRP completed twice"));
}

TEST(CompletionRule, SecondCompletionOfAFreedBuiltRequestIsReported) {
    KernelHost host;
    RuleBreakerDouble breaker(host, Breach::CompleteTwice);
    KEVENT event;
    IO_STATUS_BLOCK iosb{};
    PIRP irp = Build(breaker.Device(), &event, &iosb);
    ASSERT_NE(irp, nullptr);
    IofCallDriver(breaker.Device(), irp);
    EXPECT_TRUE(Reported(host, "IRP completed twice (after its final completion)"));
    EXPECT_EQ(host.Io().OutstandingIrps(), 0u);
}

TEST(CompletionRule, RequestSentAgainAfterItsFinalCompletionIsReportedAndPoisoned) {
    KernelHost host;
    LowerDriverDouble lower{host};
    KEVENT event;
    IO_STATUS_BLOCK iosb{};
    PIRP irp = Build(lower.Device(), &event, &iosb);
    ASSERT_NE(irp, nullptr);
    EXPECT_EQ(IofCallDriver(lower.Device(), irp), STATUS_SUCCESS);
    if (!IrpQuarantine::kSanitizerPoisons) {  // there, this read itself is the fault
        EXPECT_EQ(static_cast<uint32_t>(irp->IoStatus.Status), 0xDDDDDDDDu);
    }
    EXPECT_EQ(IofCallDriver(lower.Device(), irp), STATUS_INVALID_PARAMETER);
    EXPECT_TRUE(Reported(host, "IRP sent after its final completion"));
}

struct WaitCase {
    const char* name;
    std::optional<LONGLONG> timeout;
    bool broken;
};

void PrintTo(const WaitCase& param, std::ostream* out) {
    *out << param.name;
}

class WaitRuleTest : public ::testing::TestWithParam<WaitCase> {};

// The bus completes URBs at DISPATCH_LEVEL, where only a zero time-out may be waited with.
TEST_P(WaitRuleTest, WaitInTheCompletionOfAUrbIsCheckedAgainstDispatchLevel) {
    UsbDeviceDouble device;
    KernelHost host;
    host.PlugDevice(device);
    PDEVICE_OBJECT pdo = host.PhysicalDevice(device);
    ASSERT_NE(pdo, nullptr);
    ASSERT_EQ(SendPnpToPdo(host, pdo, IRP_MN_START_DEVICE), STATUS_SUCCESS);
    RuleBreakerDouble breaker(host, Breach::WaitInCompletion, pdo);
    breaker.completionWait = GetParam().timeout;
    void* buffer = ExAllocatePoolWithTag(NonPagedPool, 18, kTestTag);
    URB urb{};
    UsbBuildGetDescriptorRequest(&urb, sizeof(struct _URB_CONTROL_DESCRIPTOR_REQUEST),
                                 USB_DEVICE_DESCRIPTOR_TYPE, 0, 0, buffer, nullptr, 18, nullptr);
    KEVENT event;
    KeInitializeEvent(&event, NotificationEvent, FALSE);
    IO_STATUS_BLOCK iosb{};
    PIRP irp = IoBuildDeviceIoControlRequest(IOCTL_INTERNAL_USB_SUBMIT_URB, breaker.Device(),
                                             nullptr, 0, nullptr, 0, TRUE, &event, &iosb);
    ASSERT_NE(irp, nullptr);
    IoGetNextIrpStackLocation(irp)->Parameters.Others.Argument1 = &urb;
    if (IofCallDriver(breaker.Device(), irp) == STATUS_PENDING) {
        KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, nullptr);
    }
    ExFreePoolWithTag(buffer, kTestTag);
    EXPECT_EQ(iosb.Status, STATUS_SUCCESS);
    EXPECT_EQ(Reported(host, "KeWaitForSingleObject at DISPATCH_LEVEL"), GetParam().broken);
    EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);  // lowered again after the routine
}

INSTANTIATE_TEST_SUITE_P(Timeouts, WaitRuleTest,
                         ::testing::Values(WaitCase{"NoTimeout", std::nullopt, true},
                                           WaitCase{"OneTick", -1, true},
                                           WaitCase{"ZeroPolls", 0, false}),
                         [](const ::testing::TestParamInfo<WaitCase>& info) {
                             return info.param.name;
                         });

TEST(ResourceRules, ZeroBytePoolAllocationAndAForeignRemoveLockTagAreReported) {
    const struct {
        Breach breach;
        const char* rule;
    } cases[] = {
        {Breach::AllocateZeroBytes, "pool allocation of zero bytes"},
        {Breach::ReleaseWithOtherTag, "IoReleaseRemoveLock with a tag the lock was not acquired"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        KernelHost host;
        RuleBreakerDouble breaker(host, c.breach);
        EXPECT_EQ(host.Io()
                      .DeviceControl(breaker.Device(), nullptr, kCode, nullptr, 0, nullptr, 0)
                      .status,
                  STATUS_SUCCESS);
        ASSERT_EQ(host.Violations().size(), 1u);
        EXPECT_NE(host.Violations()[0].find(c.rule), std::string::npos);
    }
}

// The remove lock and ExFreePoolWithTag came with Windows 2000: a driver for
// every generation must do without them.
TEST(ExportRule, RoutinesFrom2000OnAreReportedOnlyOn98AndMe) {
    const struct {
        WindowsGeneration generation;
        std::vector<std::string> missing;
    } cases[] = {
        {WindowsGeneration::Win98,
         {"IoInitializeRemoveLockEx", "IoAcquireRemoveLockEx", "IoReleaseRemoveLockEx",
          "ExFreePoolWithTag"}},
        {WindowsGeneration::WinMe,
         {"IoInitializeRemoveLockEx", "IoAcquireRemoveLockEx", "IoReleaseRemoveLockEx",
          "ExFreePoolWithTag"}},
        {WindowsGeneration::Win2000, {}},
        {WindowsGeneration::WinXp, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.generation));
        KernelHost host;
        host.SetGeneration(c.generation);
        {
            RuleBreakerDouble lockUser(host, Breach::UseRemoveLock);
            host.Io().DeviceControl(lockUser.Device(), nullptr, kCode, nullptr, 0, nullptr, 0);
            ExFreePoolWithTag(ExAllocatePoolWithTag(NonPagedPool, 1, kTestTag), kTestTag);
        }
        ASSERT_EQ(host.Violations().size(), c.missing.size())
            << ::testing::PrintToString(host.Violations());
        for (size_t i = 0; i < c.missing.size(); ++i) {
            EXPECT_EQ(
                host.Violations()[i].rfind(c.missing[i] + " is not exported by the Windows 98 "
                                                          "and ME kernels",
                                           0),
                0u)
                << host.Violations()[i];
        }
    }
}

// Every generation the kernel offers needs the call, so each is tried.
TEST(PowerRule, PowerRequestPassedDownWithoutPoStartNextPowerIrpIsReported) {
    const Breach breaches[] = {Breach::PowerDownUnstarted, Breach::PowerRoutineUnstarted};
    const WindowsGeneration generations[] = {WindowsGeneration::Win98, WindowsGeneration::WinMe,
                                             WindowsGeneration::Win2000, WindowsGeneration::WinXp};
    for (Breach breach : breaches) {
        for (WindowsGeneration generation : generations) {
            SCOPED_TRACE(static_cast<int>(breach) * 10 + static_cast<int>(generation));
            KernelHost host;
            host.SetGeneration(generation);
            LowerDriverDouble lower(host);
            RuleBreakerDouble breaker(host, breach, lower.Device());
            PIRP irp = host.Io().NewHostIrp(breaker.Device());
            irp->IoStatus.Status = STATUS_NOT_SUPPORTED;
            PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
            next->MajorFunction = IRP_MJ_POWER;
            next->MinorFunction = IRP_MN_SET_POWER;
            host.Io().SendAndWait(breaker.Device(), irp);
            ASSERT_EQ(host.Violations().size(), 1u) << ::testing::PrintToString(host.Violations());
            EXPECT_NE(
                host.Violations()[0].find("power request passed down without PoStartNextPowerIrp"),
                std::string::npos);
        }
    }
}

// Selects the device's only configuration straight at its physical device
// object; the bulk OUT pipe's handle.
USBD_PIPE_HANDLE ConfigureOutPipe(PDEVICE_OBJECT pdo, UsbDeviceDouble& device) {
    auto* descriptor = reinterpret_cast<PUSB_CONFIGURATION_DESCRIPTOR>(device.configuration.data());
    USBD_INTERFACE_LIST_ENTRY list[2] = {};
    list[0].InterfaceDescriptor = USBD_ParseConfigurationDescriptor(descriptor, 0, 0);
    PURB urb = USBD_CreateConfigurationRequestEx(descriptor, list);
    KEVENT event;
    IO_STATUS_BLOCK iosb{};
    KeInitializeEvent(&event, NotificationEvent, FALSE);
    PIRP irp = IoBuildDeviceIoControlRequest(IOCTL_INTERNAL_USB_SUBMIT_URB, pdo, nullptr, 0,
                                             nullptr, 0, TRUE, &event, &iosb);
    IoGetNextIrpStackLocation(irp)->Parameters.Others.Argument1 = urb;
    USBD_PIPE_HANDLE pipe = nullptr;
    if (IofCallDriver(pdo, irp) == STATUS_SUCCESS) {
        pipe = list[0].Interface->Pipes[1].PipeHandle;
    }
    ExFreePool(urb);
    return pipe;
}

// The host controller moves transfer data by DMA: from non-paged memory only.
TEST(DmaRule, TransferBufferOutsideNonPagedPoolIsReported) {
    const struct {
        const char* name;
        Breach breach;
        bool broken;
        size_t outTransfers;
    } cases[] = {
        {"bulk from the stack", Breach::DmaFromStack, true, 1},
        {"bulk from paged pool", Breach::DmaFromPagedPool, true, 1},
        {"descriptor into the stack", Breach::DescriptorIntoStack, true, 0},
        {"bulk from non-paged pool", Breach::DmaFromNonPagedPool, false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UsbDeviceDouble device;
        KernelHost host;
        host.PlugDevice(device);
        PDEVICE_OBJECT pdo = host.PhysicalDevice(device);
        ASSERT_NE(pdo, nullptr);
        ASSERT_EQ(SendPnpToPdo(host, pdo, IRP_MN_START_DEVICE), STATUS_SUCCESS);
        RuleBreakerDouble breaker(host, c.breach, pdo);
        breaker.outPipe = ConfigureOutPipe(pdo, device);
        ASSERT_NE(breaker.outPipe, nullptr);
        EXPECT_EQ(host.Io()
                      .DeviceControl(breaker.Device(), nullptr, kCode, nullptr, 0, nullptr, 0)
                      .status,
                  STATUS_SUCCESS);
        EXPECT_EQ(device.OutTransfers().size(), c.outTransfers);
        if (c.broken) {
            ASSERT_EQ(host.Violations().size(), 1u) << ::testing::PrintToString(host.Violations());
            EXPECT_NE(host.Violations()[0].find("DMA transfer buffer"), std::string::npos);
            EXPECT_NE(host.Violations()[0].find("is not in non-paged pool"), std::string::npos);
        } else {
            EXPECT_TRUE(host.Violations().empty()) << ::testing::PrintToString(host.Violations());
        }
    }
}

}  // namespace
}  // namespace corvane::kernel::test
