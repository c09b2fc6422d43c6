// Completion of IRPs through a device stack: routine order, the flags that
// select them, STATUS_MORE_PROCESSING_REQUIRED, pending requests completed
// from another thread, and the I/O manager's final processing of built IRPs.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/kernel/KernelHost.h"
#include "tests/kernel/DriverDoubles.h"

namespace corvane::kernel::test {
namespace {

constexpr ULONG kBufferedCode = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x810, METHOD_BUFFERED, 0);

class IrpCompletionTest : public ::testing::Test {
protected:
    KernelHost host;
    EventLog log;
    LowerDriverDouble lower{host, &log};
    FilterDriverDouble middle{host, lower.Device(), log, "middle"};
    FilterDriverDouble top{host, middle.Device(), log, "top"};

    // A built request to the top of the stack.
    PIRP Build(KEVENT* event, IO_STATUS_BLOCK* iosb, void* in = nullptr, ULONG inLength = 0,
               void* out = nullptr, ULONG outLength = 0) {
        KeInitializeEvent(event, NotificationEvent, FALSE);
        return IoBuildDeviceIoControlRequest(kBufferedCode, top.Device(), in, inLength, out,
                                             outLength, FALSE, event, iosb);
    }
};

TEST_F(IrpCompletionTest, StackSizeGrowsWithEachAttachedDevice) {
    EXPECT_EQ(lower.Device()->StackSize, 1);
    EXPECT_EQ(middle.Device()->StackSize, 2);
    EXPECT_EQ(top.Device()->StackSize, 3);
    EXPECT_EQ(IoGetAttachedDevice(lower.Device()), top.Device());
}

TEST_F(IrpCompletionTest, RoutinesRunBottomUpWithTheirOwnDeviceObjects) {
    RequestResult result =
        host.Io().DeviceControl(top.Device(), nullptr, kBufferedCode, nullptr, 0, nullptr, 0);
    EXPECT_EQ(result.status, STATUS_SUCCESS);
    EXPECT_EQ(log.Entries(),
              (std::vector<std::string>{"top:dispatch", "middle:dispatch", "lower:dispatch",
                                        "middle:completion 00000000", "top:completion 00000000"}));
    EXPECT_EQ(middle.completionDevice, middle.Device());
    EXPECT_EQ(top.completionDevice, top.Device());
    EXPECT_EQ(host.Io().OutstandingIrps(), 0u);
    EXPECT_TRUE(host.Violations().empty());
}

TEST_F(IrpCompletionTest, RoutineOnlyForTheOutcomesItAskedFor) {
    middle.onError = false;
    top.onSuccess = false;
    lower.onRequest = [](PDEVICE_OBJECT, PIRP irp) {
        irp->IoStatus.Status = STATUS_UNSUCCESSFUL;
        IofCompleteRequest(irp, IO_NO_INCREMENT);
        return STATUS_UNSUCCESSFUL;
    };
    RequestResult failed =
        host.Io().DeviceControl(top.Device(), nullptr, kBufferedCode, nullptr, 0, nullptr, 0);
    EXPECT_EQ(failed.status, STATUS_UNSUCCESSFUL);
    EXPECT_EQ(log.Entries(),
              (std::vector<std::string>{"top:dispatch", "middle:dispatch", "lower:dispatch",
                                        "top:completion C0000001"}));
}

TEST_F(IrpCompletionTest, MoreProcessingRequiredStopsUntilCompletedAgain) {
    middle.stopCompletion = true;
    KEVENT event;
    IO_STATUS_BLOCK iosb{};
    PIRP irp = Build(&event, &iosb);
    ASSERT_NE(irp, nullptr);
    EXPECT_EQ(IofCallDriver(top.Device(), irp), STATUS_SUCCESS);
    // The request belongs to the middle driver now: nothing above ran.
    EXPECT_EQ(log.Entries().back(), "middle:completion 00000000");
    EXPECT_EQ(KeReadStateEvent(&event), 0);
    EXPECT_EQ(host.Io().OutstandingIrps(), 1u);

    irp->IoStatus.Status = STATUS_DEVICE_NOT_CONNECTED;
    IofCompleteRequest(irp, IO_NO_INCREMENT);
    EXPECT_EQ(log.Entries().back(), "top:completion C000009D");
    EXPECT_NE(KeReadStateEvent(&event), 0);
    EXPECT_EQ(iosb.Status, STATUS_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(host.Io().OutstandingIrps(), 0u);
}

TEST_F(IrpCompletionTest, PendingRequestCompletedFromAnotherThread) {
    lower.PendRequests();
    KEVENT event;
    IO_STATUS_BLOCK iosb{};
    PIRP irp = Build(&event, &iosb);
    std::thread completer([this] {
        PIRP pending = lower.TakePending();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        pending->IoStatus.Status = STATUS_UNSUCCESSFUL;
        pending->IoStatus.Information = 7;
        IofCompleteRequest(pending, IO_NO_INCREMENT);
    });
    EXPECT_EQ(IofCallDriver(top.Device(), irp), STATUS_PENDING);
    EXPECT_EQ(KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, nullptr), STATUS_SUCCESS);
    completer.join();
    EXPECT_EQ(iosb.Status, STATUS_UNSUCCESSFUL);
    EXPECT_EQ(iosb.Information, 7u);
    EXPECT_TRUE(middle.completionSawPending);
    EXPECT_TRUE(top.completionSawPending);
    EXPECT_EQ(host.Io().OutstandingIrps(), 0u);
    EXPECT_TRUE(host.Violations().empty());  // every routine passed the pending mark up
}

TEST_F(IrpCompletionTest, BuiltRequestSignalsItsEventAndFreesItselfWhenCompletedAtOnce) {
    uint8_t in[4] = {1, 2, 3, 4};
    uint8_t out[8] = {};
    lower.onRequest = [](PDEVICE_OBJECT, PIRP irp) {
        PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
        auto* buffer = static_cast<uint8_t*>(irp->AssociatedIrp.SystemBuffer);
        EXPECT_EQ(stack->Parameters.DeviceIoControl.InputBufferLength, 4u);
        EXPECT_EQ(stack->Parameters.DeviceIoControl.OutputBufferLength, 8u);
        EXPECT_EQ(buffer[3], 4);
        buffer[0] = 0xAA;
        irp->IoStatus.Status = STATUS_SUCCESS;
        irp->IoStatus.Information = 1;
        IofCompleteRequest(irp, IO_NO_INCREMENT);
        return STATUS_SUCCESS;
    };
    KEVENT event;
    IO_STATUS_BLOCK iosb{};
    PIRP irp = Build(&event, &iosb, in, sizeof in, out, sizeof out);
    EXPECT_EQ(IofCallDriver(top.Device(), irp), STATUS_SUCCESS);
    EXPECT_NE(KeReadStateEvent(&event), 0);
    EXPECT_EQ(iosb.Information, 1u);
    EXPECT_EQ(out[0], 0xAA);
    EXPECT_EQ(out[1], 0);  // only Information bytes come back
    EXPECT_EQ(host.Io().OutstandingIrps(), 0u);
    EXPECT_EQ(host.Pool().OutstandingTotal(), 0u);
}

TEST_F(IrpCompletionTest, BuildFailsWhenNoIrpCanBeAllocated) {
    host.Faults().FailNextIrpAllocations(1);
    KEVENT event;
    IO_STATUS_BLOCK iosb{};
    EXPECT_EQ(Build(&event, &iosb), nullptr);
    PIRP second = Build(&event, &iosb);
    ASSERT_NE(second, nullptr);
    IofCallDriver(top.Device(), second);
    EXPECT_EQ(host.Io().OutstandingIrps(), 0u);
}

TEST_F(IrpCompletionTest, SkippedLocationsCallNoRoutine) {
    middle.skipInsteadOfCopy = true;
    host.Io().DeviceControl(top.Device(), nullptr, kBufferedCode, nullptr, 0, nullptr, 0);
    EXPECT_EQ(log.Entries(),
              (std::vector<std::string>{"top:dispatch", "middle:dispatch", "lower:dispatch",
                                        "top:completion 00000000"}));
}

TEST_F(IrpCompletionTest, ReturningWithoutCompletingIsReportedNotAwaited) {
    lower.onRequest = [](PDEVICE_OBJECT, PIRP) { return STATUS_SUCCESS; };
    RequestResult result =
        host.Io().DeviceControl(top.Device(), nullptr, kBufferedCode, nullptr, 0, nullptr, 0);
    EXPECT_EQ(result.status, STATUS_SUCCESS);
    ASSERT_EQ(host.Violations().size(), 1u);
    EXPECT_NE(host.Violations()[0].find("without completing"), std::string::npos);
}

using IrpCompletionDeathTest = IrpCompletionTest;

TEST_F(IrpCompletionDeathTest, CallingPastTheLastStackLocationStopsTheKernel) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            PIRP irp = IoAllocateIrp(1, FALSE);
            IoGetNextIrpStackLocation(irp)->MajorFunction = IRP_MJ_DEVICE_CONTROL;
            IoSetNextIrpStackLocation(irp);
            IofCallDriver(lower.Device(), irp);
        },
        "NO_MORE_IRP_STACK_LOCATIONS");
}

}  // namespace
}  // namespace corvane::kernel::test
