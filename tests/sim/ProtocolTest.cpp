// The command protocol at the USB level: the exact reply to every command in
// every context, and commands split anywhere across transfers.
#include <gtest/gtest.h>

#include "sim/Crc16Arc.h"
#include "tests/sim/ProjectorHost.h"

namespace corvane::sim {
namespace {

using testing::Bytes;
using testing::ConnectedProjector;
using testing::kAckText;
using testing::kEndBlock;
using testing::kNakText;

const std::string kCrText = "\r";

class Protocol : public ::testing::Test {
protected:
    std::string Ask(std::string_view command) { return device_.host.Ask(command); }

    ConnectedProjector device_;
    VirtualProjector& projector_ = device_.projector;
};

TEST_F(Protocol, SyncThenPlatformIdentifier) {
    EXPECT_EQ(kAckText, Ask("Sync\r"));
    const std::string reply = Ask("P");
    EXPECT_EQ(kAckText + "PJX2000-A1" + kCrText, reply);
    EXPECT_EQ(12u, reply.size());
    // "P" is the platform query only right after the sync.
    EXPECT_EQ(kNakText, Ask("P"));
    EXPECT_EQ(kAckText, Ask("Sync\r"));
    EXPECT_EQ(kAckText, Ask("X"));
    EXPECT_EQ(kNakText, Ask("P"));
}

TEST(ProtocolConfig, PlatformIdentifierIsPaddedOrCutToTen) {
    ProjectorConfig shortId;
    shortId.platformId = "PJX";
    ConnectedProjector a(shortId);
    a.host.Ask("Sync\r");
    EXPECT_EQ(kAckText + "PJX       \r", a.host.Ask("P"));

    ProjectorConfig longId;
    longId.platformId = "PJX2000-A1-EXTRA";
    ConnectedProjector b(longId);
    b.host.Ask("Sync\r");
    EXPECT_EQ(kAckText + "PJX2000-A1\r", b.host.Ask("P"));
}

TEST_F(Protocol, GetPartAndSerialNumbers) {
    EXPECT_EQ(kAckText, Ask("G"));
    EXPECT_EQ(kAckText + "1002-3456-01\r", Ask("P"));
    EXPECT_EQ(kAckText, Ask("G"));
    EXPECT_EQ(kAckText + "A10000012345\r", Ask("S"));
    // After the number the protocol is back at the top: "S" opens a write.
    EXPECT_EQ(kAckText, Ask("S"));
    EXPECT_EQ(LexMode::SetSelect, projector_.ProtocolMode());
}

TEST_F(Protocol, GetWithAnUnknownSelectorIsRefused) {
    EXPECT_EQ(kAckText, Ask("G"));
    EXPECT_EQ(kNakText, Ask("X"));
    EXPECT_EQ(LexMode::Command, projector_.ProtocolMode());
    EXPECT_EQ(kAckText, Ask("X"));
}

TEST_F(Protocol, IdentificationAndPartitionDescriptor) {
    EXPECT_EQ(kAckText + "VELTA1\r", Ask("I"));
    EXPECT_EQ(kAckText + "4,100000,0,10000,80000,F0000\r", Ask("B"));
}

TEST_F(Protocol, ClearNvram) {
    EXPECT_EQ(kAckText, Ask("C"));
    EXPECT_EQ(1, projector_.NvramClearCount());
    for (uint8_t byte : projector_.NvramContents()) {
        ASSERT_EQ(0xFF, byte);
    }
}

TEST_F(Protocol, SetNumbersWithinTheirLimits) {
    EXPECT_EQ(kAckText, Ask("S"));
    EXPECT_EQ(kAckText, Ask("P1234-5678-90AB\r"));  // 14 characters
    EXPECT_EQ("1234-5678-90AB", projector_.PartNumber());
    EXPECT_EQ(kAckText, Ask("S"));
    EXPECT_EQ(kAckText, Ask("SZ9 876543210\r"));  // 12 characters, space allowed
    EXPECT_EQ("Z9 876543210", projector_.SerialNumber());
    EXPECT_EQ(kAckText, Ask("G"));
    EXPECT_EQ(kAckText + "1234-5678-90AB\r", Ask("P"));
}

TEST_F(Protocol, SetNumbersBeyondTheLimitsAreRefusedAndChangeNothing) {
    for (const char* bad :
         {"P1234-5678-90ABC\r", "P\r", "Pabc\x7F\r", "Pab\x01\r", "SA100000123456\r", "S\r"}) {
        EXPECT_EQ(kAckText, Ask("S")) << bad;
        EXPECT_EQ(kNakText, Ask(bad)) << bad;
        EXPECT_EQ(LexMode::Command, projector_.ProtocolMode()) << bad;
    }
    EXPECT_EQ("1002-3456-01", projector_.PartNumber());
    EXPECT_EQ("A10000012345", projector_.SerialNumber());
    // A very long line is read to its end and refused once.
    EXPECT_EQ(kAckText, Ask("S"));
    EXPECT_EQ(kNakText, Ask("P" + std::string(500, '7') + "\r"));
    EXPECT_EQ(kAckText, Ask("X"));
}

TEST_F(Protocol, SetNumberAndItsTextInOneTransfer) {
    EXPECT_EQ(kAckText + kAckText, Ask("SP42\r"));
    EXPECT_EQ("42", projector_.PartNumber());
}

TEST_F(Protocol, NewSerialNumberBecomesTheUsbSerialAfterPowerUp) {
    Ask("S");
    Ask("SB77\r");
    projector_.Unplug();
    projector_.Plug();
    const std::vector<uint8_t> serial = device_.host.GetDescriptor(3, 3, 0x0409, 256);
    EXPECT_EQ((std::vector<uint8_t>{8, 3, 'B', 0, '7', 0, '7', 0}), serial);
}

TEST_F(Protocol, EraseOnePartition) {
    const std::vector<uint8_t> before = projector_.FlashContents();
    EXPECT_EQ(kAckText, Ask("E"));
    EXPECT_EQ(kAckText, Ask("BE00010000\r"));
    EXPECT_EQ(LexMode::Erase, projector_.ProtocolMode());
    EXPECT_EQ("", Ask("\r"));  // nothing is awaited after the lone "\r"
    EXPECT_EQ(LexMode::Command, projector_.ProtocolMode());
    const std::vector<uint8_t> after = projector_.FlashContents();
    for (uint32_t a = 0; a < after.size(); ++a) {
        const bool erased = a >= 0x10000 && a < 0x80000;
        ASSERT_EQ(erased ? 0xFF : before[a], after[a]) << std::hex << a;
    }
}

TEST_F(Protocol, EraseAcceptsLowerCaseAndRefusesUnknownStarts) {
    EXPECT_EQ(kAckText, Ask("E"));
    EXPECT_EQ(kAckText, Ask("BE000f0000\r"));
    EXPECT_EQ(0xFF, projector_.ReadFlash(0xFFFFF, 1).at(0));
    EXPECT_EQ(kNakText, Ask("BE00010001\r"));
    EXPECT_EQ(LexMode::Command, projector_.ProtocolMode());
    const uint8_t old = projector_.ReadFlash(0x10000, 1).at(0);
    EXPECT_NE(0xFF, old);
    for (const char* bad : {"BE\r", "BE000100000\r", "BX00010000\r", "BE0001000G\r"}) {
        EXPECT_EQ(kAckText, Ask("E")) << bad;
        EXPECT_EQ(kNakText, Ask(bad)) << bad;
    }
    EXPECT_EQ(old, projector_.ReadFlash(0x10000, 1).at(0));
}

TEST_F(Protocol, EraseModeEndsAtAnotherCommand) {
    EXPECT_EQ(kAckText, Ask("E"));
    EXPECT_EQ(kAckText + "VELTA1\r", Ask("I"));
    EXPECT_EQ(LexMode::Command, projector_.ProtocolMode());
}

TEST_F(Protocol, ProgramBlocksAndTheEndBlock) {
    Ask("E");
    Ask("BE00000000\r");
    Ask("\r");
    EXPECT_EQ(kAckText, Ask("F"));
    EXPECT_EQ(kAckText, Ask(testing::Block(0, 0x1234, "\x12\x34\xF0")));
    EXPECT_EQ(kAckText, Ask(testing::Block(0, 0x1235, "\x0F")));  // AND: 0x34 & 0x0F
    EXPECT_EQ(LexMode::Programming, projector_.ProtocolMode());
    EXPECT_EQ(kAckText, Ask(kEndBlock));
    EXPECT_EQ(LexMode::Command, projector_.ProtocolMode());
    EXPECT_EQ((std::vector<uint8_t>{0xFF, 0x12, 0x04, 0xF0, 0xFF}),
              projector_.ReadFlash(0x1233, 5));
    EXPECT_EQ(kAckText, Ask("X"));
}

TEST_F(Protocol, ProgrammingWithoutEraseShows) {
    const uint8_t old = projector_.ReadFlash(0x20, 1).at(0);
    Ask("F");
    EXPECT_EQ(kAckText, Ask(testing::Block(0, 0x20, "\xFF")));
    EXPECT_EQ(old, projector_.ReadFlash(0x20, 1).at(0));
    EXPECT_EQ(kAckText, Ask(testing::Block(0, 0x20, std::string(1, '\0'))));
    EXPECT_EQ(0, projector_.ReadFlash(0x20, 1).at(0));
}

TEST_F(Protocol, BlocksOutsideTheFlashAreRefused) {
    Ask("F");
    const std::vector<uint8_t> before = projector_.FlashContents();
    EXPECT_EQ(kNakText, Ask(testing::Block(0, 0xFFFFF, std::string(2, '\0'))));
    EXPECT_EQ(LexMode::Command, projector_.ProtocolMode());
    Ask("F");
    EXPECT_EQ(kNakText, Ask(testing::Block(0, 0x100000, std::string(1, '\0'))));
    Ask("F");
    EXPECT_EQ(kNakText, Ask(testing::Block(0, 0xFFFFFFFF, std::string(1, '\0'))));
    EXPECT_EQ(before, projector_.FlashContents());
    Ask("F");
    EXPECT_EQ(kAckText, Ask(testing::Block(0, 0xFFFFF, std::string(1, '\0'))));
    EXPECT_EQ(0, projector_.ReadFlash(0xFFFFF, 1).at(0));
}

TEST_F(Protocol, BlocksOutsideProgrammingModeAreRefusedWhole) {
    // The block's data bytes spell commands; none of them may run.
    EXPECT_EQ(kNakText, Ask(testing::Block(0, 0x10, "CRE")));
    EXPECT_EQ(kNakText, Ask(kEndBlock));
    EXPECT_EQ(0, projector_.NvramClearCount());
    EXPECT_EQ(0, projector_.RestartCount());
    EXPECT_TRUE(projector_.IsAttached());
}

TEST_F(Protocol, UnknownBytesAtProgrammingBlockBoundaryEndTheMode) {
    Ask("F");
    EXPECT_EQ(kAckText, Ask("C"));
    EXPECT_EQ(1, projector_.NvramClearCount());
    EXPECT_EQ(LexMode::Command, projector_.ProtocolMode());
}

TEST_F(Protocol, VerifyAnswersTheCrcOfTheRange) {
    Ask("E");
    Ask("BE00000000\r");
    Ask("\r");
    Ask("F");
    Ask(testing::Block(0, 0, "123456789"));
    Ask(kEndBlock);
    // Over partition 0 only: "123456789" and 0xFF up to 0x10000.
    std::vector<uint8_t> image(0x10000, 0xFF);
    std::copy_n("123456789", 9, image.begin());
    char expected[8];
    std::snprintf(expected, sizeof expected, "%04X\r", Crc16Arc(image.data(), image.size()));
    EXPECT_EQ(kAckText, Ask("V"));
    device_.host.Write("00000000");
    EXPECT_EQ(expected, Ask("00000000\r"));

    // From the first address to the end of the partition starting at the second.
    const std::vector<uint8_t> flash = projector_.FlashContents();
    std::snprintf(expected, sizeof expected, "%04X\r", Crc16Arc(flash.data() + 5, 0x80000 - 5));
    EXPECT_EQ(kAckText, Ask("V"));
    EXPECT_EQ(expected, Ask("0000000500010000\r"));
    EXPECT_EQ(LexMode::Command, projector_.ProtocolMode());
}

TEST(ProtocolConfig, VerifyCheckValueOverAWholeFlash) {
    ProjectorConfig config;
    config.layout = PartitionLayout{9, {0}};
    ConnectedProjector device(config);
    device.host.Ask("E");
    device.host.Ask("BE00000000\r");
    device.host.Ask("F");
    device.host.Ask(testing::Block(0, 0, "123456789"));
    device.host.Ask(kEndBlock);
    device.host.Ask("V");
    EXPECT_EQ("BB3D\r", device.host.Ask("0000000000000000\r"));
}

TEST_F(Protocol, VerifyRefusesBadRanges) {
    for (const char* bad : {"0000000000010001\r", "0008000100010000\r", "00000000\r",
                            "000000000001000G\r", "00000000000100000\r"}) {
        EXPECT_EQ(kAckText, Ask("V")) << bad;
        EXPECT_EQ(kNakText, Ask(bad)) << bad;
        EXPECT_EQ(LexMode::Command, projector_.ProtocolMode()) << bad;
    }
    EXPECT_EQ(kAckText, Ask("V"));
    EXPECT_EQ("0000\r", Ask("0008000000010000\r"));  // empty range: the CRC's initial value
}

TEST_F(Protocol, RestartSendsNothingAndLeavesTheBus) {
    EXPECT_EQ(testing::kAckText, Ask("Sync\r"));
    device_.host.Write("R");
    EXPECT_FALSE(projector_.IsAttached());
    EXPECT_EQ(0u, projector_.PendingPackets());
    EXPECT_EQ(1, projector_.RestartCount());
}

TEST_F(Protocol, UnknownCommandsAreRefusedAndLineEndsIgnored) {
    EXPECT_EQ(kNakText, Ask("Z"));
    EXPECT_EQ(kNakText + kNakText, Ask("zq"));
    EXPECT_EQ("", Ask("\r\n"));
    EXPECT_EQ(kNakText, Ask("Synk\r"));
    EXPECT_EQ(kNakText, Ask("Sync-and-more\r"));
    EXPECT_EQ(kAckText, Ask("Sync\r"));
}

TEST_F(Protocol, ReceivedLogKeepsEveryTransfer) {
    device_.host.Ask("Sync\r");
    device_.host.Ask("P");
    device_.host.Write("");
    const std::vector<std::vector<uint8_t>> received = projector_.Received();
    ASSERT_EQ(3u, received.size());
    EXPECT_EQ(std::vector<uint8_t>({'S', 'y', 'n', 'c', '\r'}), received[0]);
    EXPECT_EQ(std::vector<uint8_t>({'P'}), received[1]);
    EXPECT_TRUE(received[2].empty());
    EXPECT_EQ("Sync\rP", projector_.ReceivedBytes());
    const std::vector<TransferRecord> log = projector_.Log();
    ASSERT_EQ(5u, log.size());
    EXPECT_TRUE(log[1].in);
    EXPECT_EQ(std::vector<uint8_t>{0x06}, log[1].bytes);
    projector_.ClearLog();
    EXPECT_TRUE(projector_.Log().empty());
}

// A whole session as one byte stream, and the same stream cut into
// transfers at every position: the projector must answer alike.
std::string SessionStream() {
    return "Sync\rPGPGSIBCE" + std::string("BE00010000\r") + "\r" + "F" +
           testing::Block(0, 0x10000, "\x01\x02\x03") + kEndBlock + "XV" + "00010000" +
           "00010000\r" + "SPNEW-PART\r";
}

std::string RunSession(const std::vector<std::string>& transfers, std::vector<uint8_t>* flash) {
    ProjectorConfig config;
    config.layout = PartitionLayout{0x20000, {0, 0x10000}};  // small: many runs
    ConnectedProjector device(config);
    for (const std::string& transfer : transfers) {
        device.host.Write(transfer);
    }
    *flash = device.projector.FlashContents();
    EXPECT_EQ("NEW-PART", device.projector.PartNumber());
    return device.host.Drain();
}

TEST(SplitCommands, EverySplitPositionGivesTheSameReplies) {
    const std::string stream = SessionStream();
    std::vector<uint8_t> wholeFlash;
    const std::string whole = RunSession({stream}, &wholeFlash);
    EXPECT_EQ(kAckText + kAckText + "PJX2000-A1\r", whole.substr(0, 13));
    for (size_t cut = 1; cut < stream.size(); ++cut) {
        std::vector<uint8_t> flash;
        EXPECT_EQ(whole, RunSession({stream.substr(0, cut), stream.substr(cut)}, &flash))
            << "cut at " << cut;
        EXPECT_EQ(wholeFlash, flash) << "cut at " << cut;
    }
    std::vector<std::string> bytes;
    for (char c : stream) {
        bytes.emplace_back(1, c);
    }
    std::vector<uint8_t> flash;
    EXPECT_EQ(whole, RunSession(bytes, &flash));
}

TEST(SplitCommands, SyncSplitRightAfterItsSGetsOneAck) {
    ConnectedProjector device;
    device.host.Write("S");
    device.host.Write("ync\r");
    EXPECT_EQ(kAckText, device.host.Drain());
    EXPECT_EQ(kAckText + "PJX2000-A1\r", device.host.Ask("P"));
}

}  // namespace
}  // namespace corvane::sim
