// The device-control requests: what each returns, what it sends to the
// projector, what it traces, and requests whose buffers do not fit.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/driver/StackHarness.h"
#include "tests/driver/TraceExpect.h"

namespace corvane::drivertest {
namespace {

class IoControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(harness_.AddAndStart(), STATUS_SUCCESS);
        harness_.ClearTrace();
        harness_.Lower().ClearUrbs();
    }

    kernel::RequestResult Read(ULONG size, USBCTRL_REPLY* reply) {
        USBCTRL_REQUEST request{};
        request.HCIReadBufferSize = size;
        return harness_.IoControl(IOCTRL_READ_DATA, &request, sizeof(request), reply,
                                  sizeof(*reply));
    }

    kernel::RequestResult Write(const std::string& text) {
        USBCTRL_REQUEST request{};
        request.Length = static_cast<uint32_t>(text.size());
        std::memcpy(request.Data, text.c_str(), text.size() + 1);
        return harness_.IoControl(IOCTRL_WRITE_DATA, &request, sizeof(request), nullptr, 0);
    }

    StackHarness harness_;
};

TEST_F(IoControlTest, InitDriverTakesTheValueAndReturnsNothing) {
    USBCTRL_REQUEST request{};
    request.InitValue = 0x12345678;
    auto result = harness_.IoControl(IOCTRL_INIT_DRIVER, &request, sizeof(request), nullptr, 0);
    EXPECT_EQ(result.status, STATUS_SUCCESS);
    EXPECT_EQ(result.information, 0u);
    EXPECT_EQ(harness_.TraceLines(),
              std::vector<std::string>{"USBCTRL: DispatchIoControl - IOCTRL_INIT_DRIVER"});
    EXPECT_TRUE(harness_.Lower().Urbs().empty());
}

TEST_F(IoControlTest, DriverVersionIsOneZeroZeroZeroInAZeroedReply) {
    USBCTRL_VERSION_INFO version;
    std::memset(&version, 0xEE, sizeof(version));
    auto result =
        harness_.IoControl(IOCTRL_GET_DRIVER_VERSION, nullptr, 0, &version, sizeof(version));
    EXPECT_EQ(result.status, STATUS_SUCCESS);
    EXPECT_EQ(result.information, 2060u);
    EXPECT_EQ(version.Status, 0u);
    EXPECT_EQ(version.Length, 0u);
    EXPECT_EQ(version.Version[0], 1);
    EXPECT_EQ(version.Version[1], 0);
    EXPECT_EQ(version.Version[2], 0);
    EXPECT_EQ(version.Version[3], 0);
    for (uint8_t byte : version.Reserved) {
        ASSERT_EQ(byte, 0);
    }
    EXPECT_EQ(harness_.TraceLines(),
              std::vector<std::string>{"USBCTRL: DispatchIoControl - IOCTRL_GET_DRIVER_VERSION"});
}

TEST_F(IoControlTest, ReadReturnsTheReceivedBytesFollowedByZeros) {
    harness_.Lower().QueueIn({0x06, 'O', 'K', 0x0D});
    USBCTRL_REPLY reply;
    std::memset(&reply, 0xEE, sizeof(reply));
    auto result = Read(64, &reply);
    EXPECT_EQ(result.status, STATUS_SUCCESS);
    EXPECT_EQ(result.information, 2060u);
    EXPECT_EQ(reply.Status, 0u);
    EXPECT_EQ(reply.Length, 4u);
    EXPECT_EQ(std::memcmp(reply.Data, "\x06OK\r", 4), 0);
    for (size_t i = 4; i < sizeof(reply.Data); ++i) {
        ASSERT_EQ(reply.Data[i], 0) << i;
    }
    auto urbs = harness_.Lower().Urbs();
    ASSERT_EQ(urbs.size(), 1u);
    EXPECT_EQ(urbs[0].function, URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER);
    EXPECT_EQ(urbs[0].transferFlags, 3u);
    EXPECT_EQ(urbs[0].length, 64u);
    EXPECT_EQ(urbs[0].pipe, LowerDriverDouble::PipeHandleFor(0, 0));
    EXPECT_TRUE(HasLinesInOrder(harness_.TraceLines(),
                                {"USBCTRL: DispatchIoControl - IOCTRL_READ_DATA",
                                 "HCIReadBufferSize:64", "Read - size(4):\x06OK\r"}));
}

TEST_F(IoControlTest, ZeroLengthPacketEndsTheReadWithNothing) {
    harness_.Lower().QueueIn({});
    USBCTRL_REPLY reply{};
    auto result = Read(64, &reply);
    EXPECT_EQ(result.status, STATUS_SUCCESS);
    EXPECT_EQ(reply.Length, 0u);
    EXPECT_TRUE(HasLine(harness_.TraceLines(), "Read - size(0):"));
}

TEST_F(IoControlTest, FailedReadTracesTheErrorAndStillTheData) {
    harness_.Lower().QueueIn({}, STATUS_DEVICE_NOT_CONNECTED);
    USBCTRL_REPLY reply;
    std::memset(&reply, 0xEE, sizeof(reply));
    auto result = Read(64, &reply);
    EXPECT_EQ(result.status, STATUS_DEVICE_NOT_CONNECTED);
    // A failed request's output is not copied back to the caller.
    EXPECT_EQ(result.information, 0u);
    EXPECT_EQ(reply.Status, 0xEEEEEEEEu);
    EXPECT_TRUE(
        HasLinesInOrder(harness_.TraceLines(),
                        {"USBCTRL: DispatchIoControl - IOCTRL_READ_DATA", "HCIReadBufferSize:64",
                         "USBCTRL - Error C000009D trying to read data", "Read - size(0):"}));
}

TEST_F(IoControlTest, ReadOfTheLargestSizeFillsTheWholeReply) {
    std::vector<uint8_t> full(USBCTRL_MAX_READ_LENGTH, 'A');
    harness_.Lower().QueueIn(full);
    USBCTRL_REPLY reply{};
    auto result = Read(USBCTRL_MAX_READ_LENGTH, &reply);
    EXPECT_EQ(result.status, STATUS_SUCCESS);
    EXPECT_EQ(reply.Length, USBCTRL_MAX_READ_LENGTH);
    EXPECT_TRUE(HasLine(harness_.TraceLines(),
                        "Read - size(2052):" + std::string(USBCTRL_MAX_READ_LENGTH, 'A')));
}

TEST_F(IoControlTest, WriteSendsLengthBytesOnTheOutputPipe) {
    auto result = Write("Sync\r");
    EXPECT_EQ(result.status, STATUS_SUCCESS);
    EXPECT_EQ(result.information, 0u);
    auto urbs = harness_.Lower().Urbs();
    ASSERT_EQ(urbs.size(), 1u);
    EXPECT_EQ(urbs[0].transferFlags, 0u);
    EXPECT_EQ(urbs[0].pipe, LowerDriverDouble::PipeHandleFor(0, 1));
    EXPECT_EQ(std::string(urbs[0].out.begin(), urbs[0].out.end()), "Sync\r");

    auto lines = harness_.TraceLines();
    EXPECT_TRUE(HasLinesInOrder(lines, {"USBCTRL: DispatchIoControl - IOCTRL_WRITE_DATA",
                                        "USBCTRLWrite - size(5):Sync\r"}));
    std::string urbLine = LineStartingWith(lines, "USBCTRLURB (0X");
    EXPECT_NE(urbLine.find("), DeviceExtensionPtr(0X"), std::string::npos);
    EXPECT_NE(urbLine.find(")->HCIOutputHandle(0X10010)"), std::string::npos) << urbLine;
}

TEST_F(IoControlTest, FailedWriteReturnsTheTransferStatus) {
    harness_.Lower().SetOutStatus(STATUS_UNSUCCESSFUL);
    auto result = Write("R");
    EXPECT_EQ(result.status, STATUS_UNSUCCESSFUL);
    EXPECT_EQ(result.information, 0u);
    EXPECT_TRUE(HasLine(harness_.TraceLines(), "USBCTRL - Error C0000001 trying to write data"));
}

// The read's reply and the write's record live in pool while the transfer
// runs (the stack is small and out of the controller's DMA reach).
TEST_F(IoControlTest, ReadAndWriteWithoutPoolSendNothing) {
    const struct {
        const char* name;
        bool read;
    } cases[] = {{"IOCTRL_READ_DATA", true}, {"IOCTRL_WRITE_DATA", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        harness_.ClearTrace();
        harness_.Lower().ClearUrbs();
        if (c.read) {
            harness_.Lower().QueueIn({'x'});  // so a read that does go down ends
        }
        harness_.Host().Pool().FailNextAllocations(1, kDornikTag);
        USBCTRL_REPLY reply;
        std::memset(&reply, 0xEE, sizeof(reply));
        auto result = c.read ? Read(64, &reply) : Write("Sync\r");
        harness_.Host().Pool().FailNextAllocations(0, kDornikTag);
        EXPECT_EQ(result.status, STATUS_INSUFFICIENT_RESOURCES);
        EXPECT_EQ(result.information, 0u);
        EXPECT_EQ(reply.Status, 0xEEEEEEEEu);
        EXPECT_TRUE(harness_.Lower().Urbs().empty());
        auto lines = harness_.TraceLines();
        EXPECT_TRUE(HasLine(lines, std::string("USBCTRL: DispatchIoControl - ") + c.name));
        EXPECT_NE(LineStartingWith(lines, "USBCTRL - Error C000009A allocating "), "");
        EXPECT_EQ(harness_.OutstandingPool(), 0u);
    }
}

TEST_F(IoControlTest, UnknownCodesSucceedWithNothing) {
    for (ULONG code : {UsbCtrlCode(0x803), UsbCtrlCode(0x806), ULONG{0x00220000}}) {
        harness_.ClearTrace();
        uint8_t out[16];
        std::memset(out, 0xEE, sizeof(out));
        auto result = harness_.IoControl(code, nullptr, 0, out, sizeof(out));
        EXPECT_EQ(result.status, STATUS_SUCCESS);
        EXPECT_EQ(result.information, 0u);
        EXPECT_EQ(harness_.TraceLines(),
                  std::vector<std::string>{"USBCTRL: DispatchIoControl - Unknown IOCTRL Code"});
    }
    EXPECT_TRUE(harness_.Lower().Urbs().empty());
}

struct BadBuffer {
    const char* name;
    ULONG code;
    ULONG inLength;
    ULONG outLength;
    NTSTATUS expected;
};

class IoControlBadBuffer : public IoControlTest, public ::testing::WithParamInterface<BadBuffer> {};

TEST_P(IoControlBadBuffer, IsRefusedBeforeAnythingIsTouched) {
    const BadBuffer& bad = GetParam();
    std::vector<uint8_t> in(bad.inLength, 0);
    if (bad.inLength >= sizeof(USBCTRL_REQUEST)) {
        auto* request = reinterpret_cast<USBCTRL_REQUEST*>(in.data());
        request->HCIReadBufferSize = 64;
        request->Length = 1;
    }
    std::vector<uint8_t> out(bad.outLength + 1, 0xEE);
    auto result = harness_.IoControl(bad.code, in.data(), bad.inLength, out.data(), bad.outLength);
    EXPECT_EQ(result.status, bad.expected);
    EXPECT_EQ(result.information, 0u);
    EXPECT_TRUE(harness_.Lower().Urbs().empty());
    EXPECT_TRUE(HasLine(harness_.TraceLines(),
                        "USBCTRL - Error " + Hex(bad.expected) + " checking request buffers"));
}

INSTANTIATE_TEST_SUITE_P(
    Buffers, IoControlBadBuffer,
    ::testing::Values(
        BadBuffer{"InitShortInput", IOCTRL_INIT_DRIVER, 267, 0, STATUS_INVALID_PARAMETER},
        BadBuffer{"InitNoInput", IOCTRL_INIT_DRIVER, 0, 0, STATUS_INVALID_PARAMETER},
        BadBuffer{"VersionShortOutput", IOCTRL_GET_DRIVER_VERSION, 0, 2059,
                  STATUS_BUFFER_TOO_SMALL},
        BadBuffer{"ProductNoOutput", IOCTRL_GET_PRODUCT_INFO, 0, 0, STATUS_BUFFER_TOO_SMALL},
        BadBuffer{"ProductShortOutput", IOCTRL_GET_PRODUCT_INFO, 268, 1024,
                  STATUS_BUFFER_TOO_SMALL},
        BadBuffer{"ReadShortInput", IOCTRL_READ_DATA, 264, 2060, STATUS_INVALID_PARAMETER},
        BadBuffer{"ReadShortOutput", IOCTRL_READ_DATA, 268, 64, STATUS_BUFFER_TOO_SMALL},
        BadBuffer{"WriteShortInput", IOCTRL_WRITE_DATA, 8, 0, STATUS_INVALID_PARAMETER}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(IoControlTest, ReadSizeOutOfRangeIsRefused) {
    for (ULONG size : {ULONG{0}, ULONG{2053}, ULONG{0xFFFFFFFF}}) {
        harness_.ClearTrace();
        USBCTRL_REPLY reply{};
        auto result = Read(size, &reply);
        EXPECT_EQ(result.status, STATUS_INVALID_PARAMETER) << size;
        EXPECT_EQ(result.information, 0u);
        EXPECT_TRUE(HasLine(harness_.TraceLines(), "HCIReadBufferSize:" + Decimal(int32_t(size))));
    }
    EXPECT_TRUE(harness_.Lower().Urbs().empty());
}

TEST_F(IoControlTest, WriteLengthsFromZeroTo256PassAndLongerAreRefused) {
    USBCTRL_REQUEST request{};
    std::memset(request.Data, 'x', sizeof(request.Data));
    request.Length = 257;
    auto result = harness_.IoControl(IOCTRL_WRITE_DATA, &request, sizeof(request), nullptr, 0);
    EXPECT_EQ(result.status, STATUS_INVALID_PARAMETER);
    EXPECT_TRUE(harness_.Lower().Urbs().empty());

    request.Length = 256;  // the largest allowed
    EXPECT_EQ(harness_.IoControl(IOCTRL_WRITE_DATA, &request, sizeof(request), nullptr, 0).status,
              STATUS_SUCCESS);
    auto urbs = harness_.Lower().Urbs();
    ASSERT_EQ(urbs.size(), 1u);
    EXPECT_EQ(urbs[0].out, std::vector<uint8_t>(256, 'x'));

    // Length zero, the smallest, is a zero-length transfer.
    harness_.ClearTrace();
    EXPECT_EQ(Write("").status, STATUS_SUCCESS);
    urbs = harness_.Lower().Urbs();
    ASSERT_EQ(urbs.size(), 2u);
    EXPECT_EQ(urbs[1].length, 0u);
    EXPECT_TRUE(HasLine(harness_.TraceLines(), "USBCTRLWrite - size(0):"));
}

TEST(IoControlFailedStartTest, ReadGoesToTheStackWithANullPipe) {
    StackHarness failed;
    failed.Lower().WithholdPipes(0);
    ASSERT_EQ(failed.AddAndStart(), STATUS_INSUFFICIENT_RESOURCES);
    failed.Lower().ClearUrbs();
    failed.Lower().QueueIn({}, STATUS_INVALID_PARAMETER);
    USBCTRL_REQUEST request{};
    request.HCIReadBufferSize = 64;
    USBCTRL_REPLY reply{};
    auto result =
        failed.IoControl(IOCTRL_READ_DATA, &request, sizeof(request), &reply, sizeof(reply));
    EXPECT_EQ(result.status, STATUS_INVALID_PARAMETER);
    auto urbs = failed.Lower().Urbs();
    ASSERT_EQ(urbs.size(), 1u);
    EXPECT_EQ(urbs[0].pipe, nullptr);
}

}  // namespace
}  // namespace corvane::drivertest
