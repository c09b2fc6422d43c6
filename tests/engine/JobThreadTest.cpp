// The job on its two threads against the virtual projector: whole
// connections, downloads, verifications and maintenance requests.
#include <gtest/gtest.h>

#include <deque>

#include "EngineHarness.h"
#include "app/engine/JobState.h"
#include "app/ui/WindowMessages.h"

namespace corvane::test {
namespace {

using Writes = std::vector<std::string>;
using Messages = std::vector<PostedMessage>;
using sim::Command;

const Writes kHandshake = {"Sync\r", "P", "G", "P", "G", "S", "I", "B"};
const PostedMessage kConnected = Text(1012, "Connected");
const PostedMessage kWaiting = Text(1012, "Waiting for new connection...");

// Writes from the first of `command` on.
Writes From(const Writes& writes, const std::string& command) {
    for (size_t i = 0; i < writes.size(); ++i) {
        if (writes[i] == command) {
            return Writes(writes.begin() + static_cast<long>(i), writes.end());
        }
    }
    return {};
}

int CountOf(const Writes& writes, const std::string& command) {
    return static_cast<int>(std::count(writes.begin(), writes.end(), command));
}

TEST(JobThreadTest, ConnectionSendsTheHandshakeAndShowsTheProjector) {
    EngineHarness harness;
    ASSERT_TRUE(harness.ConnectAndIdentify()) << harness.window.Dump();
    EXPECT_EQ(harness.Writes(), kHandshake);
    const Messages expected = {Text(1012, "Requesting Platform ID..."),
                               Text(1014, "PJX2000-A1"),
                               Text(1025, "1002-3456-01"),
                               Text(1026, "A10000012345"),
                               Text(1012, "Requesting Flash Partitions..."),
                               Done(),
                               kConnected};
    EXPECT_EQ(harness.window.Messages(), expected);
    harness.Close();
    EXPECT_EQ(harness.FinalState(), Idle);
    EXPECT_EQ(harness.context.partitions.count, 5);
    EXPECT_EQ(harness.context.partitions.flashSize, 0x30000u);
    EXPECT_STREQ(harness.window.record.platformId, "PJX2000-A1");
}

TEST(JobThreadTest, RepliesSplitAtEveryBytePositionGiveTheSameConnection) {
    for (size_t at = 1; at <= 36; ++at) {  // the descriptor line is 35 bytes
        sim::ProjectorConfig config = TestProjectorConfig();
        for (Command command : {Command::Platform, Command::GetPart, Command::GetSerial,
                                Command::Identify, Command::Partitions}) {
            config.faults.Split(command, at, sim::kAlways);
        }
        EngineHarness harness(config);
        ASSERT_TRUE(harness.ConnectAndIdentify()) << at << harness.window.Dump();
        EXPECT_EQ(harness.Writes(), kHandshake) << at;
        EXPECT_EQ(harness.window.TextsOf(1014), Writes{"PJX2000-A1"}) << at;
        EXPECT_EQ(harness.window.TextsOf(1025), Writes{"1002-3456-01"}) << at;
        EXPECT_EQ(harness.window.TextsOf(1026), Writes{"A10000012345"}) << at;
        harness.Close();
        EXPECT_EQ(harness.context.partitions.start[2], 0x20000u) << at;
    }
}

class DownloadTest : public ::testing::Test {
protected:
    DownloadTest() {
        // Three files: one in partition 0, one across partitions 1 and 2 (in
        // 16-byte records), one in partition 3; partition 4 stays untouched.
        files_.emplace_back(IntelHex(0x0100, dataA_), "a.hex");
        files_.emplace_back(IntelHex(0x10100, dataB_, 16), "b.hex");
        files_.emplace_back(IntelHex(0x28010, dataC_), "c.hex");
        for (const TempFile& file : files_) {
            harness_.AddFile(file.Path());
        }
    }

    bool Download() {
        if (!harness_.ConnectAndIdentify()) {
            return false;
        }
        harness_.window.record.currentFileIndex = 0;
        harness_.window.record.downloadFinished = 0;
        harness_.window.Clear();
        harness_.Post(TM_DOWNLOAD);
        return harness_.window.WaitFor(Done());
    }

    // The flash as the three files leave it: touched partitions hold the
    // files' data and 0xFF elsewhere; partition 4 keeps the old firmware.
    std::vector<uint8_t> ExpectedFlash(const std::vector<uint8_t>& before) {
        std::vector<uint8_t> flash = before;
        std::fill(flash.begin(), flash.begin() + 0x2C000, 0xFF);
        std::copy(dataA_.begin(), dataA_.end(), flash.begin() + 0x0100);
        std::copy(dataB_.begin(), dataB_.end(), flash.begin() + 0x10100);
        std::copy(dataC_.begin(), dataC_.end(), flash.begin() + 0x28010);
        return flash;
    }

    std::vector<uint8_t> dataA_ = Pattern(3000, 1);
    std::vector<uint8_t> dataB_ = Pattern(0x10000, 2);  // 0x10100 .. 0x20100
    std::vector<uint8_t> dataC_ = Pattern(700, 3);
    std::deque<TempFile> files_;
    EngineHarness harness_;
};

TEST_F(DownloadTest, ThreeFilesAreErasedProgrammedAndTheProjectorRestartedOnce) {
    const std::vector<uint8_t> before = harness_.projector.FlashContents();
    ASSERT_TRUE(Download()) << harness_.window.Dump();
    harness_.Close();
    const Writes writes = From(harness_.Writes(), "E");
    EXPECT_EQ(CountOf(writes, "E"), 3);
    EXPECT_EQ(CountOf(writes, "F"), 3);
    EXPECT_EQ(CountOf(writes, "X"), 3);
    EXPECT_EQ(CountOf(writes, "V"), 0);
    EXPECT_EQ(CountOf(writes, "R"), 1);
    ASSERT_FALSE(writes.empty()) << harness_.window.Dump();
    EXPECT_EQ(writes.back(), "R");
    EXPECT_EQ(writes[1], "BE00000000\r");
    EXPECT_EQ(writes[2], "\r");
    const Writes fromB = From(writes, "BE00010000\r");
    ASSERT_GE(fromB.size(), 3u);
    EXPECT_EQ(fromB[1], "BE00020000\r");
    EXPECT_EQ(fromB[2], "\r");
    EXPECT_EQ(harness_.projector.FlashContents(), ExpectedFlash(before));
    EXPECT_EQ(harness_.FinalState(), Ended);
    EXPECT_EQ(harness_.window.record.downloadFinished, 1);
    EXPECT_EQ(harness_.window.record.currentFileIndex, 3);
    const Messages& messages = harness_.window.Messages();
    ASSERT_GE(messages.size(), 3u);
    EXPECT_EQ(Messages(messages.end() - 3, messages.end()),
              (Messages{Progress(0xFFFFFFFE), kWaiting, Done()}));
    const Writes status = harness_.window.TextsOf(1012);
    EXPECT_EQ(std::count(status.begin(), status.end(), "Downloading a.hex..."), 1);
    EXPECT_EQ(std::count(status.begin(), status.end(), "Downloading b.hex..."), 1);
    EXPECT_EQ(std::count(status.begin(), status.end(), "Erasing Flash 00020000..."), 1);
    EXPECT_EQ(harness_.window.Count(Error(0)), 0);
    EXPECT_GE(harness_.window.Count(Progress(0xFFFFFFFF)), 3);
}

TEST_F(DownloadTest, WithVerifyDownloadsEachFileIsComparedAfterProgramming) {
    harness_.window.record.VerifyDownloads = 1;
    const std::vector<uint8_t> before = harness_.projector.FlashContents();
    ASSERT_TRUE(Download()) << harness_.window.Dump();
    harness_.Close();
    const Writes writes = From(harness_.Writes(), "E");
    EXPECT_EQ(CountOf(writes, "V"), 3);
    EXPECT_EQ(CountOf(writes, "R"), 1);
    // b.hex covers partitions 1 and 2: one range over both.
    const Writes fromV = From(From(writes, "BE00010000\r"), "V");
    ASSERT_GE(fromV.size(), 3u);
    EXPECT_EQ(fromV[1], "00010000");
    EXPECT_EQ(fromV[2], "00020000\r");
    EXPECT_EQ(From(writes, "V")[1], "00000000");
    EXPECT_EQ(From(writes, "V")[2], "00000000\r");
    EXPECT_EQ(harness_.projector.FlashContents(), ExpectedFlash(before));
    const Writes status = harness_.window.TextsOf(1012);
    EXPECT_EQ(std::count(status.begin(), status.end(), "Verifying c.hex"), 1);
    EXPECT_EQ(harness_.window.Of(WM_SHOW_ERROR), Messages{});
}

TEST_F(DownloadTest, WrongChecksumAfterADownloadStopsAtThatFile) {
    harness_.window.record.VerifyDownloads = 1;
    harness_.projector.SetFaults(sim::FaultConfig{}.WrongChecksums(1));
    ASSERT_TRUE(Download());
    harness_.Close();
    EXPECT_EQ(harness_.window.Of(WM_SHOW_ERROR), Messages{Error(9)});
    EXPECT_EQ(CountOf(harness_.Writes(), "E"), 1);
    EXPECT_EQ(CountOf(harness_.Writes(), "R"), 0);
    EXPECT_EQ(harness_.FinalState(), Ended);
}

TEST_F(DownloadTest, VerifyOnlyRunsPassAfterADownloadAndStayIdle) {
    ASSERT_TRUE(Download());
    ASSERT_TRUE(harness_.Reconnect()) << harness_.window.Dump();
    harness_.window.record.currentFileIndex = 0;
    harness_.window.Clear();
    harness_.Post(TM_VERIFY);
    ASSERT_TRUE(harness_.window.WaitFor(Done(0)));
    ASSERT_TRUE(harness_.window.WaitFor(kConnected));
    harness_.Close();
    const Writes writes = From(harness_.Writes(), "V");
    EXPECT_EQ(CountOf(writes, "V"), 3);
    EXPECT_EQ(CountOf(writes, "E"), 0);
    EXPECT_EQ(CountOf(writes, "F"), 0);
    EXPECT_EQ(CountOf(writes, "R"), 0);
    EXPECT_EQ(harness_.FinalState(), Idle);
    EXPECT_EQ(harness_.window.Of(WM_SHOW_ERROR), Messages{});
    EXPECT_EQ(harness_.window.Count(Done(1)), 0);
}

TEST_F(DownloadTest, VerifyOnlyRunStopsAtTheFirstFailingFile) {
    ASSERT_TRUE(harness_.ConnectAndIdentify());
    harness_.window.record.currentFileIndex = 0;
    harness_.window.Clear();
    harness_.Post(TM_VERIFY);  // the projector still holds its old firmware
    ASSERT_TRUE(harness_.window.WaitFor(Done(1))) << harness_.window.Dump();
    ASSERT_TRUE(harness_.window.WaitFor(kConnected));
    harness_.Close();
    EXPECT_EQ(CountOf(harness_.Writes(), "V"), 1);
    EXPECT_EQ(harness_.FinalState(), Idle);
    EXPECT_EQ(harness_.window.Of(WM_SHOW_ERROR), Messages{});
}

TEST_F(DownloadTest, VerifyOnlyChecksumSplitAcrossPacketsIsRead) {
    ASSERT_TRUE(Download());
    for (size_t at = 1; at <= 4; ++at) {
        harness_.projector.SetFaults(sim::FaultConfig{}.Split(Command::VerifyRange, at, 3));
        ASSERT_TRUE(harness_.Reconnect()) << at;
        harness_.window.record.currentFileIndex = 0;
        harness_.window.Clear();
        harness_.Post(TM_VERIFY);
        ASSERT_TRUE(harness_.window.WaitFor(Done(0))) << at << harness_.window.Dump();
    }
}

class MaintenanceTest : public ::testing::Test {
protected:
    // Writes the numbers and waits for the handshake that follows.
    void ProgramIds(const char* part, const char* serial) {
        ASSERT_TRUE(harness_.ConnectAndIdentify());
        std::snprintf(harness_.window.record.newPartNumber, 15, "%s", part);
        std::snprintf(harness_.window.record.newSerialNumber, 13, "%s", serial);
        harness_.window.Clear();
        harness_.Post(TM_PROGRAM_IDS);
        ASSERT_TRUE(harness_.window.WaitFor(kConnected)) << harness_.window.Dump();
        harness_.Close();
    }
    Writes AfterHandshake() {
        const Writes all = harness_.Writes();
        return Writes(all.begin() + static_cast<long>(kHandshake.size()), all.end());
    }

    EngineHarness harness_;
};

TEST_F(MaintenanceTest, ProgramIdsBothNumbers) {
    ProgramIds("1002-3456-99", "B0000077");
    EXPECT_EQ(AfterHandshake(),
              (Writes{"S", "P1002-3456-99\r", "S", "SB0000077\r", "G", "P", "G", "S", "I", "B"}));
    EXPECT_EQ(harness_.projector.PartNumber(), "1002-3456-99");
    EXPECT_EQ(harness_.projector.SerialNumber(), "B0000077");
    EXPECT_EQ(harness_.window.TextsOf(1025), Writes{"1002-3456-99"});
    EXPECT_EQ(harness_.window.TextsOf(1026), Writes{"B0000077"});
    EXPECT_EQ(harness_.FinalState(), Idle);
}

TEST_F(MaintenanceTest, ProgramIdsPartNumberOnly) {
    ProgramIds("PN-NEW", "");
    EXPECT_EQ(AfterHandshake(), (Writes{"S", "PPN-NEW\r", "G", "P", "G", "S", "I", "B"}));
    EXPECT_EQ(harness_.projector.PartNumber(), "PN-NEW");
    EXPECT_EQ(harness_.projector.SerialNumber(), "A10000012345");
}

TEST_F(MaintenanceTest, ProgramIdsSerialNumberOnly) {
    ProgramIds("", "SN-NEW");
    EXPECT_EQ(AfterHandshake(), (Writes{"S", "SSN-NEW\r", "G", "P", "G", "S", "I", "B"}));
    EXPECT_EQ(harness_.projector.PartNumber(), "1002-3456-01");
    EXPECT_EQ(harness_.projector.SerialNumber(), "SN-NEW");
}

TEST_F(MaintenanceTest, ProgramIdsNeitherReadsTheNumbersBackAtOnce) {
    ProgramIds("", "");
    EXPECT_EQ(AfterHandshake(), (Writes{"G", "P", "G", "S", "I", "B"}));
}

TEST_F(MaintenanceTest, ClearNvram) {
    ASSERT_TRUE(harness_.ConnectAndIdentify());
    harness_.window.Clear();
    harness_.Post(TM_CLEAR_NVRAM);
    ASSERT_TRUE(harness_.window.WaitFor(kConnected));
    harness_.Close();
    EXPECT_EQ(AfterHandshake(), Writes{"C"});
    EXPECT_EQ(harness_.window.Messages(), (Messages{Done(), kConnected}));
    EXPECT_EQ(harness_.projector.NvramClearCount(), 1);
    EXPECT_EQ(harness_.FinalState(), Idle);
}

}  // namespace
}  // namespace corvane::test
