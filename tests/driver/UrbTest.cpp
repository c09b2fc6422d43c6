// SendUrb as its callers see it: immediate and pending completion, no request
// packet for the URB, the wrong IRQL; and the plain read and write requests.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/driver/StackHarness.h"
#include "tests/driver/TraceExpect.h"

namespace corvane::drivertest {
namespace {

class UrbTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(harness_.AddAndStart(), STATUS_SUCCESS);
        harness_.ClearTrace();
        harness_.Lower().ClearUrbs();
    }

    NTSTATUS WriteCommand() {
        USBCTRL_REQUEST request{};
        request.Length = 1;
        request.Data[0] = 'G';
        return harness_.IoControl(IOCTRL_WRITE_DATA, &request, sizeof(request), nullptr, 0).status;
    }

    StackHarness harness_;
};

TEST_F(UrbTest, ImmediateCompletionReturnsTheCallsOwnStatus) {
    harness_.Lower().SetOutStatus(STATUS_DEVICE_DATA_ERROR);
    EXPECT_EQ(WriteCommand(), STATUS_DEVICE_DATA_ERROR);
    auto lines = harness_.TraceLines();
    EXPECT_NE(LineStartingWith(lines, "USBCTRL SendUrb (0X"), "");
    EXPECT_FALSE(HasLine(lines, "USBCTRL - URB is pending."));
}

TEST_F(UrbTest, PendingCompletionWaitsAndReturnsTheFinalStatus) {
    harness_.Lower().SetUrbCompletion(Completion::Pending);
    harness_.Lower().SetOutStatus(STATUS_DEVICE_DATA_ERROR);
    EXPECT_EQ(WriteCommand(), STATUS_DEVICE_DATA_ERROR);
    EXPECT_TRUE(HasLinesInOrder(
        harness_.TraceLines(),
        {"USBCTRL - URB is pending.",
         "USBCTRL - Event signaled with status " + Decimal(STATUS_DEVICE_DATA_ERROR) + "."}));

    harness_.Lower().SetOutStatus(STATUS_SUCCESS);
    harness_.ClearTrace();
    EXPECT_EQ(WriteCommand(), STATUS_SUCCESS);
    EXPECT_TRUE(HasLine(harness_.TraceLines(), "USBCTRL - Event signaled with status 0."));
}

TEST_F(UrbTest, NoRequestPacketForTheUrb) {
    harness_.Host().Faults().FailNextIrpAllocations(1);
    EXPECT_EQ(WriteCommand(), STATUS_INSUFFICIENT_RESOURCES);
    auto lines = harness_.TraceLines();
    EXPECT_TRUE(HasLinesInOrder(lines, {"USBCTRL - Unable to allocate IRP for sending URB",
                                        "USBCTRL - Error C000009A trying to write data"}));
    EXPECT_TRUE(harness_.Lower().Urbs().empty());
}

TEST_F(UrbTest, WrongIrqlIsReportedAndTheUrbStillSent) {
    harness_.Host().SetIrql(DISPATCH_LEVEL);
    EXPECT_EQ(WriteCommand(), STATUS_SUCCESS);
    harness_.Host().SetIrql(PASSIVE_LEVEL);
    auto assertions = harness_.Host().Assertions();
    ASSERT_EQ(assertions.size(), 1u);
    EXPECT_EQ(assertions[0].expression, "KeGetCurrentIrql() == PASSIVE_LEVEL");
    EXPECT_EQ(assertions[0].file, "PnP");
    EXPECT_EQ(assertions[0].line, 935u);
    EXPECT_NE(LineStartingWith(harness_.TraceLines(), "USBCTRL SendUrb (0X").find("IRQL (2)"),
              std::string::npos);
    EXPECT_EQ(harness_.Lower().Urbs().size(), 1u);
    harness_.Host().ClearAssertions();
    harness_.Host().ClearViolations();
}

TEST_F(UrbTest, PlainReadCopiesOnlyTheBytesReceived) {
    harness_.Lower().QueueIn(std::vector<uint8_t>(10, 'r'));
    std::vector<uint8_t> buffer(64, 0xEE);
    auto result = harness_.Read(buffer.data(), 64);
    EXPECT_EQ(result.status, STATUS_SUCCESS);
    EXPECT_EQ(result.information, 10u);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 10),
              std::vector<uint8_t>(10, 'r'));
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + 10, buffer.end()),
              std::vector<uint8_t>(54, 0xEE));
    auto urbs = harness_.Lower().Urbs();
    ASSERT_EQ(urbs.size(), 1u);
    EXPECT_EQ(urbs[0].transferFlags, 3u);
    EXPECT_EQ(urbs[0].length, 64u);
    EXPECT_EQ(urbs[0].pipe, LowerDriverDouble::PipeHandleFor(0, 0));
    EXPECT_TRUE(HasLine(harness_.TraceLines(), "USBCTRL: DispatchRead - ReadLength: 64"));
    EXPECT_EQ(harness_.OutstandingPool(), 0u);
}

TEST_F(UrbTest, PlainReadOfAZeroLengthPacket) {
    harness_.Lower().QueueIn({});
    uint8_t buffer[8] = {};
    auto result = harness_.Read(buffer, sizeof(buffer));
    EXPECT_EQ(result.status, STATUS_SUCCESS);
    EXPECT_EQ(result.information, 0u);
}

TEST_F(UrbTest, FailedPlainReadReturnsNothing) {
    harness_.Lower().QueueIn({'x'}, STATUS_DEVICE_NOT_CONNECTED);
    uint8_t buffer[8] = {};
    auto result = harness_.Read(buffer, sizeof(buffer));
    EXPECT_EQ(result.status, STATUS_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(result.information, 0u);
    EXPECT_TRUE(HasLine(harness_.TraceLines(), "USBCTRL - Error C000009D trying to read data"));
    EXPECT_EQ(harness_.OutstandingPool(), 0u);
}

TEST_F(UrbTest, PlainWriteAlwaysReportsZeroBytes) {
    const char text[] = "Sync\r";
    auto result = harness_.Write(text, 5);
    EXPECT_EQ(result.status, STATUS_SUCCESS);
    EXPECT_EQ(result.information, 0u);
    auto urbs = harness_.Lower().Urbs();
    ASSERT_EQ(urbs.size(), 1u);
    EXPECT_EQ(urbs[0].transferFlags, 0u);
    EXPECT_EQ(urbs[0].pipe, LowerDriverDouble::PipeHandleFor(0, 1));
    EXPECT_EQ(std::string(urbs[0].out.begin(), urbs[0].out.end()), "Sync\r");
    EXPECT_TRUE(HasLine(harness_.TraceLines(), "USBCTRL: DispatchWrite - WriteLength: 5"));

    harness_.Lower().SetOutStatus(STATUS_UNSUCCESSFUL);
    result = harness_.Write(text, 5);
    EXPECT_EQ(result.status, STATUS_UNSUCCESSFUL);
    EXPECT_EQ(result.information, 0u);
    EXPECT_EQ(harness_.OutstandingPool(), 0u);
}

// The I/O manager probes the caller's buffer before the driver sees it.
TEST_F(UrbTest, PlainReadAndWriteWithoutABufferNeverReachTheDriver) {
    EXPECT_EQ(harness_.Read(nullptr, 8).status, STATUS_ACCESS_VIOLATION);
    EXPECT_EQ(harness_.Write(nullptr, 8).status, STATUS_ACCESS_VIOLATION);
    EXPECT_TRUE(harness_.TraceLines().empty());
    EXPECT_TRUE(harness_.Lower().Urbs().empty());
    EXPECT_EQ(harness_.OutstandingPool(), 0u);
}

// Buffered I/O: the transfer moves straight through the I/O manager's system
// buffer, so the caller's buffer is never touched in the driver and the
// driver takes no pool of its own for it.
TEST_F(UrbTest, PlainReadAndWriteTransferThroughTheSystemBuffer) {
    EXPECT_TRUE(harness_.Fdo()->Flags & DO_BUFFERED_IO);
    uint64_t allocations = harness_.Host().Pool().Stats(kDornikTag).allocations;
    harness_.Host().Pool().FailNextAllocations(2, kDornikTag);
    harness_.Lower().QueueIn({'a', 'c', 'k'});
    uint8_t buffer[8] = {};
    auto read = harness_.Read(buffer, sizeof(buffer));
    EXPECT_EQ(read.status, STATUS_SUCCESS);
    EXPECT_EQ(read.information, 3u);
    EXPECT_EQ(std::string(buffer, buffer + 3), "ack");
    auto write = harness_.Write("V", 1);
    EXPECT_EQ(write.status, STATUS_SUCCESS);
    harness_.Host().Pool().FailNextAllocations(0, kDornikTag);
    EXPECT_EQ(harness_.Host().Pool().Stats(kDornikTag).allocations, allocations);
    auto urbs = harness_.Lower().Urbs();
    ASSERT_EQ(urbs.size(), 2u);
    EXPECT_EQ(std::string(urbs[1].out.begin(), urbs[1].out.end()), "V");
}

// The same limits as the device-control path: a read holds at most 2052
// bytes of non-paged pool while it waits, a write sends at most 256.
TEST_F(UrbTest, PlainTransferLengthsAreCapped) {
    const struct {
        bool read;
        ULONG length;
        bool refused;
    } cases[] = {
        {true, 0, false},  {true, 2052, false}, {true, 2053, true}, {true, 1u << 20, true},
        {false, 0, false}, {false, 256, false}, {false, 257, true}, {false, 1u << 16, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.read ? "read " : "write ") + std::to_string(c.length));
        harness_.ClearTrace();
        harness_.Lower().ClearUrbs();
        std::vector<uint8_t> buffer(c.length, 0xEE);
        if (c.read) {
            // Refused reads come after the others: their unused replies stay queued.
            harness_.Lower().QueueIn(std::vector<uint8_t>(c.refused ? 1 : c.length, 'r'));
        }
        auto result = c.read ? harness_.Read(buffer.data(), c.length)
                             : harness_.Write(buffer.data(), c.length);
        auto lines = harness_.TraceLines();
        std::string asked = std::string(c.read ? "USBCTRL: DispatchRead - ReadLength: "
                                               : "USBCTRL: DispatchWrite - WriteLength: ") +
                            std::to_string(c.length);
        EXPECT_TRUE(HasLine(lines, asked));
        if (c.refused) {
            EXPECT_EQ(result.status, STATUS_INVALID_BUFFER_SIZE);
            EXPECT_EQ(result.information, 0u);
            EXPECT_TRUE(HasLinesInOrder(
                lines, {asked, "USBCTRL - Error C0000206: transfer of " + std::to_string(c.length) +
                                   " bytes exceeds " + (c.read ? "2052" : "256")}));
            EXPECT_TRUE(harness_.Lower().Urbs().empty());
            EXPECT_EQ(buffer, std::vector<uint8_t>(c.length, 0xEE));
        } else {
            EXPECT_EQ(result.status, STATUS_SUCCESS);
            EXPECT_EQ(result.information, c.read ? c.length : 0u);
            auto urbs = harness_.Lower().Urbs();
            ASSERT_EQ(urbs.size(), 1u);
            EXPECT_EQ(urbs[0].length, c.length);
            if (c.read) {
                EXPECT_EQ(buffer, std::vector<uint8_t>(c.length, 'r'));
            }
        }
        EXPECT_EQ(harness_.OutstandingPool(), 0u);
    }
}

TEST_F(UrbTest, PlainWriteAboveDispatchLevelIsReported) {
    harness_.Host().SetIrql(HIGH_LEVEL);
    uint8_t buffer[1] = {'R'};
    harness_.Write(buffer, 1);
    harness_.Host().SetIrql(PASSIVE_LEVEL);
    auto assertions = harness_.Host().Assertions();
    ASSERT_GE(assertions.size(), 1u);
    EXPECT_EQ(assertions[0].expression, "KeGetCurrentIrql() <= DISPATCH_LEVEL");
    EXPECT_EQ(assertions[0].file, "ReadWrite");
    EXPECT_EQ(assertions[0].line, 133u);
    harness_.Host().ClearAssertions();
    harness_.Host().ClearViolations();
}

}  // namespace
}  // namespace corvane::drivertest
