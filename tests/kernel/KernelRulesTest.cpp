// Rules that Windows enforces (by a bugcheck or Driver Verifier) and the
// hosted kernel reports as violations: each case breaks one on purpose.
#include <gtest/gtest.h>

#include <string>
#include <thread>

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

}  // namespace
}  // namespace corvane::kernel::test
