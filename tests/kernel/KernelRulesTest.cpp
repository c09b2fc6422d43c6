// Rules that Windows enforces (by a bugcheck or Driver Verifier) and the
// hosted kernel reports as violations: each case breaks one on purpose.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/kernel/IrpQuarantine.h"
#include "platform/kernel/KernelHost.h"
#include "tests/kernel/DriverDoubles.h"
#include "tests/kernel/RuleBreakerDouble.h"

namespace corvane::kernel::test {
namespace {

constexpr ULONG kCode = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x820, METHOD_BUFFERED, 0);

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

}  // namespace
}  // namespace corvane::kernel::test
