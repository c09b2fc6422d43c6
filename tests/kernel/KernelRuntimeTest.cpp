// Pool tracking, events, the remove lock, IRQL, RtlAssert, strings and the
// selectable generation.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/kernel/KernelHost.h"

namespace corvane::kernel::test {
namespace {

class KernelRuntimeTest : public ::testing::Test {
protected:
    KernelHost host;
};

constexpr ULONG kWdmTag = PoolTag("Wdm ");

TEST_F(KernelRuntimeTest, PoolCountsPerTagUntilFreed) {
    EXPECT_EQ(kWdmTag, 0x206D6457u);  // the bytes 57 64 6D 20
    void* a = ExAllocatePoolWithTag(NonPagedPool, 100, kWdmTag);
    void* b = ExAllocatePoolWithTag(NonPagedPool, 28, kWdmTag);
    void* c = ExAllocatePool(PagedPool, 5);
    EXPECT_EQ(host.Pool().Outstanding(kWdmTag), 2u);
    EXPECT_EQ(host.Pool().Stats(kWdmTag).outstandingBytes, 128u);
    EXPECT_EQ(host.Pool().Stats(kWdmTag).pagedAllocations, 0u);
    EXPECT_EQ(host.Pool().Stats(PoolTag("None")).pagedAllocations, 1u);
    ExFreePool(a);
    ExFreePoolWithTag(b, kWdmTag);
    ExFreePool(c);
    EXPECT_EQ(host.Pool().OutstandingTotal(), 0u);
    EXPECT_EQ(host.Pool().Stats(kWdmTag).allocations, 2u);
    EXPECT_TRUE(host.Violations().empty());
}

TEST_F(KernelRuntimeTest, BadFreesAreReportedNotExecuted) {
    void* block = ExAllocatePoolWithTag(NonPagedPool, 8, kWdmTag);
    ExFreePoolWithTag(block, PoolTag("Othr"));
    EXPECT_EQ(host.Pool().Outstanding(kWdmTag), 1u);
    ExFreePool(block);
    ExFreePool(block);
    EXPECT_EQ(host.Violations().size(), 2u);
}

TEST_F(KernelRuntimeTest, PoolFailuresCanBeInjectedPerTag) {
    host.Pool().FailNextAllocations(1, kWdmTag);
    void* other = ExAllocatePoolWithTag(NonPagedPool, 8, PoolTag("Othr"));
    EXPECT_NE(other, nullptr);
    EXPECT_EQ(ExAllocatePoolWithTag(NonPagedPool, 8, kWdmTag), nullptr);
    void* next = ExAllocatePoolWithTag(NonPagedPool, 8, kWdmTag);
    EXPECT_NE(next, nullptr);
    host.Pool().SetFailurePolicy([](uint32_t, std::size_t size) { return size > 1000; });
    EXPECT_EQ(ExAllocatePoolWithTag(NonPagedPool, 4000, kWdmTag), nullptr);
    EXPECT_EQ(host.Pool().Stats(kWdmTag).failures, 2u);
    ExFreePool(other);
    ExFreePool(next);
}

TEST_F(KernelRuntimeTest, NotificationEventWakesAnotherThread) {
    KEVENT event;
    KeInitializeEvent(&event, NotificationEvent, FALSE);
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        KeSetEvent(&event, IO_NO_INCREMENT, FALSE);
    });
    EXPECT_EQ(KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, nullptr), STATUS_SUCCESS);
    setter.join();
    EXPECT_NE(KeReadStateEvent(&event), 0);  // stays set
    KeClearEvent(&event);
    EXPECT_EQ(KeReadStateEvent(&event), 0);
}

TEST_F(KernelRuntimeTest, WaitTimesOutAndSynchronizationEventsReset) {
    KEVENT event;
    KeInitializeEvent(&event, SynchronizationEvent, TRUE);
    LARGE_INTEGER timeout;
    timeout.QuadPart = -10 * 1000 * 5;  // 5 ms, relative
    EXPECT_EQ(KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, &timeout),
              STATUS_SUCCESS);
    EXPECT_EQ(KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, &timeout),
              STATUS_TIMEOUT);
}

TEST_F(KernelRuntimeTest, RemoveLockDrainsHoldersAndRefusesLateComers) {
    IO_REMOVE_LOCK lock;
    IoInitializeRemoveLock(&lock, kWdmTag, 0, 0);
    ASSERT_EQ(IoAcquireRemoveLock(&lock, nullptr), STATUS_SUCCESS);  // removal's own
    ASSERT_EQ(IoAcquireRemoveLock(&lock, nullptr), STATUS_SUCCESS);  // a request inside
    std::atomic<bool> drained{false};
    std::thread remover([&] {
        IoReleaseRemoveLockAndWait(&lock, nullptr);
        drained = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(drained);
    // Removal has begun: no new request gets in, even before the old one leaves.
    while (!__atomic_load_n(&lock.Common.Removed, __ATOMIC_SEQ_CST)) {
        std::this_thread::yield();
    }
    EXPECT_EQ(IoAcquireRemoveLock(&lock, nullptr), STATUS_DELETE_PENDING);
    IoReleaseRemoveLock(&lock, nullptr);
    remover.join();
    EXPECT_TRUE(drained);
    EXPECT_TRUE(host.Violations().empty());
}

TEST_F(KernelRuntimeTest, IrqlIsSelectableAndAssertionsAreRecorded) {
    EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
    host.SetIrql(DISPATCH_LEVEL);
    EXPECT_EQ(KeGetCurrentIrql(), DISPATCH_LEVEL);
    char expression[] = "KeGetCurrentIrql() == PASSIVE_LEVEL";
    char file[] = "PnP";
    RtlAssert(expression, file, 935, nullptr);
    ASSERT_EQ(host.Assertions().size(), 1u);
    EXPECT_EQ(host.Assertions()[0].expression, "KeGetCurrentIrql() == PASSIVE_LEVEL");
    EXPECT_EQ(host.Assertions()[0].file, "PnP");
    EXPECT_EQ(host.Assertions()[0].line, 935u);
    host.ClearAssertions();
    EXPECT_TRUE(host.Assertions().empty());
}

TEST_F(KernelRuntimeTest, WdmVersionFollowsTheGeneration) {
    struct Case {
        WindowsGeneration generation;
        bool xp, w2k, me;
    };
    for (Case c : {Case{WindowsGeneration::WinXp, true, true, true},
                   Case{WindowsGeneration::Win2000, false, true, true},
                   Case{WindowsGeneration::WinMe, false, false, true},
                   Case{WindowsGeneration::Win98, false, false, false}}) {
        host.SetGeneration(c.generation);
        EXPECT_EQ(IoIsWdmVersionAvailable(1, 0x20) != 0, c.xp);
        EXPECT_EQ(IoIsWdmVersionAvailable(1, 0x10) != 0, c.w2k);
        EXPECT_EQ(IoIsWdmVersionAvailable(1, 0x05) != 0, c.me);
        EXPECT_TRUE(IoIsWdmVersionAvailable(1, 0x00));
        EXPECT_FALSE(IoIsWdmVersionAvailable(2, 0x00));
    }
}

TEST_F(KernelRuntimeTest, UnicodeStringsCompareWithOrWithoutCase) {
    UNICODE_STRING a;
    UNICODE_STRING b;
    RtlInitUnicodeString(&a, u"Projector Flash");
    RtlInitUnicodeString(&b, u"PROJECTOR FLASH");
    EXPECT_EQ(a.Length, 30);
    EXPECT_EQ(a.MaximumLength, 32);
    EXPECT_EQ(RtlCompareUnicodeString(&a, &b, TRUE), 0);
    EXPECT_NE(RtlCompareUnicodeString(&a, &b, FALSE), 0);
    UNICODE_STRING prefix;
    RtlInitUnicodeString(&prefix, u"Projector");
    EXPECT_GT(RtlCompareUnicodeString(&a, &prefix, TRUE), 0);
    EXPECT_LT(RtlCompareUnicodeString(&prefix, &a, TRUE), 0);
    UNICODE_STRING empty;
    RtlInitUnicodeString(&empty, nullptr);
    EXPECT_EQ(empty.Length, 0);
    EXPECT_EQ(empty.Buffer, nullptr);
}

TEST(KernelHostLifetime, KernelServicesReachTheHostThatIsAlive) {
    {
        KernelHost first;
        DbgPrint("one");
        EXPECT_EQ(first.Trace().Text(), "one");
    }
    KernelHost second;
    DbgPrint("two");
    EXPECT_EQ(second.Trace().Text(), "two");
}

}  // namespace
}  // namespace corvane::kernel::test
