#include <gtest/gtest.h>

#include <thread>

#include "ChannelFixture.h"
#include "app/engine/CommandChannel.h"
#include "app/engine/ReplyText.h"
#include "app/ui/WindowMessages.h"

namespace corvane::test {
namespace {

using CommandChannelTest = ChannelFixture;

TEST_F(CommandChannelTest, CommandIsWrittenAsItsExactBytesWithLengthWithoutTerminator) {
    SendCommand(link, "Sync\r");
    const auto requests = access.WriteRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Length, 5u);
    EXPECT_EQ(std::memcmp(requests[0].Data, "Sync\r\0", 6), 0);
    for (size_t i = 6; i < sizeof(requests[0].Data); ++i) {
        ASSERT_EQ(requests[0].Data[i], 0) << i;
    }
    EXPECT_EQ(requests[0].HCIReadBufferSize, 0u);
    EXPECT_EQ(device.Written(), std::vector<std::string>{"Sync\r"});
}

TEST_F(CommandChannelTest, FullSizeBlockGoesOutWithAll256Bytes) {
    uint8_t block[256];
    for (int i = 0; i < 256; ++i) {
        block[i] = static_cast<uint8_t>(i);
    }
    SendBlock(link, block, sizeof(block));
    const auto requests = access.WriteRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Length, 256u);
    EXPECT_EQ(std::memcmp(requests[0].Data, block, 256), 0);
    ASSERT_EQ(device.Written().size(), 1u);
    EXPECT_EQ(device.Written()[0].size(), 256u);
}

TEST_F(CommandChannelTest, BlockWithZeroBytesIsSentWhole) {
    const uint8_t end[6] = {1, 0, 0, 0, 0, 0};
    SendBlock(link, end, sizeof(end));
    EXPECT_EQ(device.Written(), std::vector<std::string>{std::string("\x01\0\0\0\0\0", 6)});
}

TEST_F(CommandChannelTest, ExpectReplyWithResetEmptiesTheReplyAndTheEvent) {
    Reply(
        "\x06"
        "abc");
    record().replyEvent->Set();
    ExpectReply(link, 1, true);
    EXPECT_EQ(record().receivedCount, 0);
    EXPECT_EQ(record().replyText[0], '\0');
    EXPECT_FALSE(record().replyEvent->IsSet());
}

TEST_F(CommandChannelTest, ExpectReplyWithoutResetKeepsWhatCameAndAppendsTheRest) {
    Reply(
        "\x06"
        "PN-1");
    record().replyEvent->Set();
    ExpectReply(link, 1, false);
    EXPECT_FALSE(record().replyEvent->IsSet());
    device.QueuePacket("23\r");
    RunReadRequest(link, 1);
    EXPECT_EQ(ReplyText(), "\x06PN-123\r");
    EXPECT_EQ(record().receivedCount, 8);
    EXPECT_TRUE(ReplyLineComplete(record()));
}

TEST_F(CommandChannelTest, OneByteRequestTakesTheWholePacket) {
    ExpectReply(link, 1, true);
    device.QueuePacket(
        "\x06"
        "1234567");
    RunReadRequest(link, 1);
    EXPECT_EQ(record().receivedCount, 8);
    EXPECT_EQ(ReplyText(),
              "\x06"
              "1234567");
    EXPECT_TRUE(record().replyEvent->IsSet());
    EXPECT_EQ(access.ReadRequests(), 1);
}

TEST_F(CommandChannelTest, TwelveByteRequestReadsUntilTwelveHaveCome) {
    ExpectReply(link, 12, true);
    device.QueuePacket(
        "\x06"
        "PJX20");
    device.QueuePacket("00-A1\r");
    RunReadRequest(link, 12);
    EXPECT_EQ(ReplyText(), "\x06PJX2000-A1\r");
    EXPECT_EQ(access.ReadRequests(), 2);
    EXPECT_TRUE(record().replyEvent->IsSet());
}

TEST_F(CommandChannelTest, EmptyPacketAbandonsTheRequestWithoutTheEvent) {
    ExpectReply(link, 12, true);
    device.QueuePacket(
        "\x06"
        "PJX");
    device.QueuePacket("");
    RunReadRequest(link, 12);
    EXPECT_FALSE(record().replyEvent->IsSet());
    EXPECT_EQ(ReplyText(), "\x06PJX");
}

TEST_F(CommandChannelTest, PacketStartingWithZeroByteCountsAsNoText) {
    ExpectReply(link, 1, true);
    device.QueuePacket(std::string("\0\x06", 2));
    RunReadRequest(link, 1);
    EXPECT_FALSE(record().replyEvent->IsSet());
    EXPECT_EQ(record().receivedCount, 0);
}

TEST_F(CommandChannelTest, FailedReadCopiesNothingBackAndAbandons) {
    ExpectReply(link, 1, true);
    device.Unplug();
    RunReadRequest(link, 1);
    EXPECT_FALSE(record().replyEvent->IsSet());
    EXPECT_EQ(record().receivedCount, 0);
}

TEST_F(CommandChannelTest, DoubleLeavesOutputUntouchedOnFailure) {
    device.Unplug();
    USBCTRL_REQUEST request{};
    request.HCIReadBufferSize = 64;
    USBCTRL_REPLY reply;
    std::memset(&reply, 0xAA, sizeof(reply));
    uint32_t returned = 77;
    EXPECT_FALSE(access.IoControl(record().deviceHandle, IOCTRL_READ_DATA, &request,
                                  sizeof(request), &reply, sizeof(reply), &returned));
    EXPECT_EQ(reply.Data[0], 0xAA);
    EXPECT_EQ(reply.Status, 0xAAAAAAAAu);
    EXPECT_EQ(returned, 0u);
}

TEST_F(CommandChannelTest, InvalidHandleSetsTheEventWithoutReading) {
    record().deviceHandle = platform::kInvalidDeviceHandle;
    ExpectReply(link, 1, true);
    RunReadRequest(link, 1);
    EXPECT_TRUE(record().replyEvent->IsSet());
    EXPECT_EQ(access.ReadRequests(), 0);
    EXPECT_FALSE(ReplyIsAck(record()));
}

TEST_F(CommandChannelTest, ReplyBeyondTheBufferIsCutAndCountsAsNegative) {
    ExpectReply(link, 1, true);
    const std::string first = "\x06" + std::string(63, 'a');
    for (int i = 0; i < 16; ++i) {
        device.QueuePacket(i == 0 ? first : std::string(64, 'b'));
    }
    device.QueuePacket(std::string(10, 'c') + "\r");
    RunReadRequest(link, 1024 + 11);
    EXPECT_TRUE(record().replyEvent->IsSet());
    EXPECT_EQ(record().receivedCount, kReplyTextSize - 1);
    EXPECT_EQ(record().replyText[kReplyTextSize - 1], '\0');
    EXPECT_FALSE(ReplyIsAck(record()));
    EXPECT_FALSE(ReplyLineComplete(record()));
}

TEST_F(CommandChannelTest, ReplyFillingTheBufferExactlyStaysPositive) {
    ExpectReply(link, 1, true);
    AppendReplyBytes(record(), ("\x06" + std::string(1021, 'x') + "\r").data(), 1023);
    EXPECT_EQ(record().receivedCount, 1023);
    EXPECT_TRUE(ReplyIsAck(record()));
    EXPECT_TRUE(ReplyLineComplete(record()));
    AppendReplyBytes(record(), "y", 1);
    EXPECT_FALSE(ReplyIsAck(record()));
    EXPECT_EQ(record().receivedCount, 1023);
}

TEST_F(CommandChannelTest, EmptyReplyIsNeitherPositiveNorALine) {
    ExpectReply(link, 1, true);
    EXPECT_FALSE(ReplyIsAck(record()));
    EXPECT_FALSE(ReplyLineComplete(record()));
}

// The reader thread: a plain message loop over TM_READ_REPLY and TM_QUIT.
class ReaderThreadTest : public ChannelFixture {
protected:
    void Start() {
        link.thread = platform::MessageThread::StartSuspended(ReaderThreadMain, &link);
        link.thread->Resume();
        while (!link.thread->Post(TM_START, 0, reinterpret_cast<platform::LParam>(&link))) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
};

TEST_F(ReaderThreadTest, ExpectReplyArmsTheReaderAndTheEventAnnouncesTheReply) {
    Start();
    ExpectReply(link, 1, true);
    ASSERT_TRUE(device.WaitForPendingRead(5000));
    EXPECT_FALSE(record().replyEvent->IsSet());
    device.QueuePacket("\x06");
    ASSERT_TRUE(record().replyEvent->Wait(5000));
    EXPECT_EQ(ReplyText(), "\x06");
    link.thread->Post(TM_QUIT);
    ASSERT_TRUE(link.thread->Join(5000));
    EXPECT_EQ(link.thread->ExitCode(), 0u);
}

TEST_F(ReaderThreadTest, QuitIsServedOnceThePendingReadFails) {
    Start();
    ExpectReply(link, 1, true);
    ASSERT_TRUE(device.WaitForPendingRead(5000));
    link.thread->Post(TM_QUIT);
    EXPECT_FALSE(link.thread->Join(50));  // still inside the read
    device.Unplug();
    ASSERT_TRUE(link.thread->Join(5000));
    EXPECT_FALSE(record().replyEvent->IsSet());
}

TEST_F(ReaderThreadTest, OtherMessagesAreIgnored) {
    Start();
    link.thread->Post(0x1234, 1, 2);
    link.thread->Post(TM_QUIT);
    ASSERT_TRUE(link.thread->Join(5000));
    EXPECT_EQ(access.ReadRequests(), 0);
}

}  // namespace
}  // namespace corvane::test
