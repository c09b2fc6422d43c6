// The job on its threads when things go wrong: negative replies and retry
// limits, Stop in every state, silence, empty packets, oversized replies and
// a projector unplugged in the middle of a request.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "EngineHarness.h"
#include "app/engine/JobState.h"
#include "app/ui/WindowMessages.h"

namespace corvane::test {
namespace {

using Writes = std::vector<std::string>;
using Messages = std::vector<PostedMessage>;
using sim::Command;
using namespace std::chrono_literals;

const PostedMessage kConnected = Text(1012, "Connected");
const PostedMessage kWaiting = Text(1012, "Waiting for new connection...");
const PostedMessage kHide = Progress(0xFFFFFFFE);
constexpr uint32_t kIgnoredMessage = 0x8FFF;

int CountOf(const Writes& writes, const std::string& command) {
    return static_cast<int>(std::count(writes.begin(), writes.end(), command));
}

// A connected job with one firmware file (data in partitions 0 and 1).
class FaultFixture : public ::testing::Test {
protected:
    void Start(const sim::FaultConfig& faults, bool identify = true) {
        sim::ProjectorConfig config = TestProjectorConfig();
        config.faults = faults;
        harness_ = std::make_unique<EngineHarness>(config);
        harness_->AddFile(file_.Path());
        if (identify) {
            ASSERT_TRUE(harness_->ConnectAndIdentify()) << harness_->window.Dump();
        } else {
            harness_->Connect();
        }
    }
    // Starts a request from Idle and waits for the end of the operation.
    bool Run(uint32_t request) {
        MainWindowRecord& record = harness_->window.record;
        record.currentFileIndex = 0;
        record.downloadFinished = 0;
        harness_->window.Clear();
        harness_->Post(request);
        return harness_->window.WaitFor(Done(0), 10s);
    }
    Messages Errors() const { return harness_->window.Of(WM_SHOW_ERROR); }

    TempFile file_{IntelHex(0xFF00, Pattern(0x400, 9))};
    std::unique_ptr<EngineHarness> harness_;
};

struct HandshakeFault {
    Command command;
    int refusals;
    int code;  // -1: the handshake succeeds
};

class HandshakeFaultTest : public FaultFixture,
                           public ::testing::WithParamInterface<HandshakeFault> {};

TEST_P(HandshakeFaultTest, EndsWithItsCodeOrSucceeds) {
    const HandshakeFault fault = GetParam();
    Start(sim::FaultConfig{}.Refuse(fault.command, fault.refusals), false);
    if (fault.code < 0) {
        ASSERT_TRUE(harness_->window.WaitFor(kConnected)) << harness_->window.Dump();
        EXPECT_TRUE(Errors().empty());
    } else {
        ASSERT_TRUE(harness_->window.WaitFor(Done(0))) << harness_->window.Dump();
        EXPECT_EQ(Errors(), Messages{Error(static_cast<uint32_t>(fault.code))});
        const Messages& messages = harness_->window.Messages();
        EXPECT_EQ(Messages(messages.end() - 3, messages.end()),
                  (Messages{kHide, kWaiting, Done()}));
    }
    harness_->Close();
    EXPECT_EQ(harness_->FinalState(), fault.code < 0 ? Idle : Ended);
}

INSTANTIATE_TEST_SUITE_P(RetryLimits, HandshakeFaultTest,
                         ::testing::Values(HandshakeFault{Command::Sync, 1, 1},
                                           HandshakeFault{Command::GetNumber, 1, 0},
                                           HandshakeFault{Command::GetPart, 1, 0},
                                           HandshakeFault{Command::GetSerial, 1, 0},
                                           HandshakeFault{Command::Identify, 2, -1},
                                           HandshakeFault{Command::Identify, 3, 0},
                                           HandshakeFault{Command::Partitions, 4, -1},
                                           HandshakeFault{Command::Partitions, 5, 0}));

TEST_F(FaultFixture, ShortRefusalOfThePlatformLeavesTheJobWaitingForTwelveBytes) {
    // The platform reply is read as twelve bytes: a one-byte refusal does
    // not complete it, so the job waits until Stop.
    Start(sim::FaultConfig{}.Refuse(Command::Platform), false);
    ASSERT_TRUE(harness_->WaitForWrites(2));
    EXPECT_TRUE(harness_->window.StaysQuiet(100ms) ||
                harness_->window.Of(WM_OPERATION_DONE).empty());
    harness_->Post(TM_STOP);
    ASSERT_TRUE(harness_->window.WaitFor(Done(0)));
    EXPECT_TRUE(Errors().empty());
    harness_->Close();
    EXPECT_EQ(harness_->Writes(), (Writes{"Sync\r", "P"}));
}

TEST_F(FaultFixture, IdentificationRepliesAreRetriedUntilTheThirdAttempt) {
    Start(sim::FaultConfig{}.Refuse(Command::Identify, 2));
    harness_->Close();
    EXPECT_EQ(CountOf(harness_->Writes(), "I"), 3);
}

TEST_F(FaultFixture, MalformedAndOversizedDescriptorsFailWithCodeThree) {
    std::string tooMany = "65,1000000";
    for (int i = 0; i < 65; ++i) {
        tooMany += "," + std::to_string(i * 10);
    }
    for (const std::string& reply :
         {std::string("3,30000,0,10000"), std::string("0,30000"), tooMany}) {
        Start(sim::FaultConfig{}.PartitionReply(reply), false);
        ASSERT_TRUE(harness_->window.WaitFor(Done(0))) << reply;
        EXPECT_EQ(Errors(), Messages{Error(3)}) << reply;
        harness_->Close();
    }
}

TEST_F(FaultFixture, WrongIdentificationFailsWithCodeThree) {
    sim::ProjectorConfig config = TestProjectorConfig();
    config.identification = "VELTA1-EXTENDED";  // longer than its field
    harness_ = std::make_unique<EngineHarness>(config);
    harness_->Connect();
    ASSERT_TRUE(harness_->window.WaitFor(Done(0)));
    EXPECT_EQ(Errors(), Messages{Error(3)});
    EXPECT_EQ(harness_->window.TextsOf(1012)[1], "Requesting Flash Partitions...");
    EXPECT_EQ(CountOf(harness_->Writes(), "B"), 0);
}

TEST_F(FaultFixture, OversizedReplyIsDroppedAndRetried) {
    Start(sim::FaultConfig{}.LongReply(Command::Partitions, 1100), false);
    ASSERT_TRUE(harness_->window.WaitFor(Done(0))) << harness_->window.Dump();
    harness_->Close();
    // The cut reply counted as negative: "B" went out again.
    EXPECT_GE(CountOf(harness_->Writes(), "B"), 2);
    const DeviceRecord& record = harness_->context.devices[0];
    EXPECT_LT(record.receivedCount, kReplyTextSize);
}

struct FlashFault {
    sim::FaultConfig faults;
    uint32_t verify;
    int code;  // -1: the download succeeds
    const char* name;
};

class FlashFaultTest : public FaultFixture, public ::testing::WithParamInterface<FlashFault> {};

TEST_P(FlashFaultTest, EndsWithItsCodeOrSucceeds) {
    const FlashFault& fault = GetParam();
    Start(fault.faults);
    harness_->window.record.VerifyDownloads = fault.verify;
    ASSERT_TRUE(Run(TM_DOWNLOAD)) << fault.name << harness_->window.Dump();
    harness_->Close();
    const Writes writes = harness_->Writes();
    if (fault.code < 0) {
        EXPECT_TRUE(Errors().empty()) << fault.name;
        EXPECT_EQ(writes.back(), "R") << fault.name;
    } else {
        EXPECT_EQ(Errors().size(), 1u) << fault.name;
        EXPECT_EQ(Errors()[0].wParam, static_cast<uint32_t>(fault.code)) << fault.name;
        EXPECT_EQ(CountOf(writes, "R"), 0) << fault.name;
    }
    EXPECT_EQ(harness_->FinalState(), Ended);
}

INSTANTIATE_TEST_SUITE_P(
    RetryLimits, FlashFaultTest,
    ::testing::Values(FlashFault{sim::FaultConfig{}.Refuse(Command::Erase), 0, 0, "E"},
                      FlashFault{sim::FaultConfig{}.Refuse(Command::ErasePartition), 0, 0, "BE"},
                      FlashFault{sim::FaultConfig{}.Refuse(Command::Program, 5), 0, -1, "F5"},
                      FlashFault{sim::FaultConfig{}.Refuse(Command::Program, 6), 0, 0, "F6"},
                      FlashFault{sim::FaultConfig{}.Refuse(Command::Block), 0, 0, "block"},
                      FlashFault{sim::FaultConfig{}.Refuse(Command::EndBlock), 0, 0, "end"},
                      FlashFault{sim::FaultConfig{}.Refuse(Command::Exit), 0, -1, "X"},
                      FlashFault{sim::FaultConfig{}.Refuse(Command::Verify), 1, 10, "V"},
                      FlashFault{sim::FaultConfig{}.WrongChecksums(1), 1, 9, "checksum"},
                      FlashFault{sim::FaultConfig{}.WrongChecksums(1), 0, -1, "unverified"}));

TEST_F(FaultFixture, RefusedVerifyNamesTheFunction) {
    Start(sim::FaultConfig{}.Refuse(Command::Verify));
    ASSERT_TRUE(Run(TM_VERIFY));
    EXPECT_EQ(Errors(), Messages{Error(10, "Verify")});
}

TEST_F(FaultFixture, RefusedClearNvramAndProgramIds) {
    Start(sim::FaultConfig{}.Refuse(Command::ClearNvram));
    ASSERT_TRUE(Run(TM_CLEAR_NVRAM));
    EXPECT_EQ(Errors(), Messages{Error(0)});
    harness_->Close();
    for (Command refused : {Command::SetNumber, Command::SetPart, Command::SetSerial}) {
        Start(sim::FaultConfig{}.Refuse(refused, sim::kAlways));
        std::snprintf(harness_->window.record.newPartNumber, 15, "%s", "PN");
        std::snprintf(harness_->window.record.newSerialNumber, 13, "%s", "SN");
        ASSERT_TRUE(Run(TM_PROGRAM_IDS)) << sim::CommandName(refused);
        EXPECT_EQ(Errors(), Messages{Error(0)}) << sim::CommandName(refused);
        harness_->Close();
        EXPECT_EQ(harness_->FinalState(), Ended);
    }
}

// Holds the job in a waiting state by a projector that stops answering at a
// command, then stops the job there.
struct StopCase {
    const char* name;
    std::optional<Command> silenceAt;
    uint32_t request;  // 0: none (the handshake)
    uint32_t verify = 0;
};

class StopTest : public FaultFixture, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StopTest, StopEndsTheJobWhereverItWaits) {
    const StopCase& c = GetParam();
    sim::FaultConfig faults;
    if (c.silenceAt) {
        faults.SilenceAt(*c.silenceAt);
    }
    Start(faults, c.request != 0);
    std::snprintf(harness_->window.record.newPartNumber, 15, "%s", "PN");
    harness_->window.record.VerifyDownloads = c.verify;
    harness_->window.record.currentFileIndex = 0;
    harness_->window.Clear();
    if (c.request != 0) {
        harness_->Post(c.request);
    }
    if (c.silenceAt) {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (!harness_->projector.IsSilenced() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(1ms);
        }
        ASSERT_TRUE(harness_->projector.IsSilenced()) << c.name;
    }
    const size_t writesBefore = harness_->Writes().size();
    harness_->Post(TM_STOP);
    ASSERT_TRUE(harness_->window.WaitFor(Done(0))) << c.name << harness_->window.Dump();
    const Messages& messages = harness_->window.Messages();
    ASSERT_GE(messages.size(), 3u);
    EXPECT_EQ(Messages(messages.end() - 3, messages.end()), (Messages{kHide, kWaiting, Done()}))
        << c.name;
    EXPECT_EQ(harness_->window.Count(Done(0)), 1) << c.name << harness_->window.Dump();
    EXPECT_TRUE(Errors().empty()) << c.name;
    EXPECT_TRUE(harness_->window.StaysQuiet(30ms)) << c.name;
    harness_->Close();
    EXPECT_EQ(harness_->Writes().size(), writesBefore) << c.name;
    EXPECT_EQ(harness_->FinalState(), Ended) << c.name;
    EXPECT_EQ(harness_->context.devices[0].stagedImage, nullptr) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    EveryState, StopTest,
    ::testing::Values(StopCase{"SyncWait", Command::Sync, 0},
                      StopCase{"PlatformWait", Command::Platform, 0},
                      StopCase{"ReadIds", Command::GetNumber, 0},
                      StopCase{"IdentifyWait", Command::Identify, 0},
                      StopCase{"PartitionsWait", Command::Partitions, 0},
                      StopCase{"Idle", std::nullopt, kIgnoredMessage},
                      StopCase{"ClearNvramWait", Command::ClearNvram, TM_CLEAR_NVRAM},
                      StopCase{"ProgramIdsWait", Command::SetNumber, TM_PROGRAM_IDS},
                      StopCase{"EraseWait", Command::Erase, TM_DOWNLOAD},
                      StopCase{"ProgramWait", Command::Block, TM_DOWNLOAD},
                      StopCase{"FileDone", Command::Exit, TM_DOWNLOAD},
                      StopCase{"VerifyWait", Command::Verify, TM_VERIFY},
                      StopCase{"VerifyAfterDownload", Command::VerifyRange, TM_DOWNLOAD, 1}),
    [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

TEST_F(FaultFixture, EmptyPacketLeavesTheJobWaitingUntilStop) {
    Start(sim::FaultConfig{}.ZeroLengthPacket(Command::Erase));
    harness_->window.Clear();
    harness_->Post(TM_DOWNLOAD);
    ASSERT_TRUE(harness_->WaitForWrites(9));  // handshake and "E"
    EXPECT_TRUE(harness_->window.StaysQuiet(150ms) ||
                harness_->window.Of(WM_OPERATION_DONE).empty());
    EXPECT_EQ(harness_->Writes().back(), "E");
    harness_->Post(TM_STOP);
    ASSERT_TRUE(harness_->window.WaitFor(Done(0)));
    harness_->Close();
    EXPECT_EQ(harness_->FinalState(), Ended);
}

TEST_F(FaultFixture, UnpluggingMidRequestLeavesTheJobWaitingAndQuitEndsBothThreads) {
    for (Command at : {Command::Block, Command::Identify, Command::Erase}) {
        sim::FaultConfig faults;
        faults.UnplugAt(at);
        Start(faults, at != Command::Identify);
        if (at != Command::Identify) {
            harness_->window.Clear();
            harness_->Post(TM_DOWNLOAD);
        }
        ASSERT_TRUE(harness_->projector.WaitForAttached(false, 5s));
        EXPECT_TRUE(harness_->window.StaysQuiet(100ms) ||
                    harness_->window.Of(WM_OPERATION_DONE).empty());
        harness_->Post(TM_STOP);  // as the device link does on removal
        ASSERT_TRUE(harness_->window.WaitFor(Done(0)));
        harness_->Close();  // joins both threads
        EXPECT_EQ(harness_->FinalState(), Ended);
        EXPECT_TRUE(harness_->window.Of(WM_SHOW_ERROR).empty());
    }
}

TEST_F(FaultFixture, UnpluggingAfterSomeBlocksLeavesTheJobProgramming) {
    std::vector<uint8_t> big = Pattern(0x8000, 4);
    TempFile file(IntelHex(0x10000, big));
    sim::FaultConfig faults;
    faults.UnplugAfterBlocks(20);
    Start(faults);
    harness_->window.record.fileCount = 0;
    harness_->AddFile(file.Path());
    harness_->window.Clear();
    harness_->Post(TM_DOWNLOAD);
    ASSERT_TRUE(harness_->projector.WaitForAttached(false, 5s));
    ASSERT_TRUE(harness_->window.WaitFor(Progress(0xFFFFFFFF)));
    harness_->Post(TM_STOP);
    ASSERT_TRUE(harness_->window.WaitFor(Done(0)));
    harness_->Close();
    EXPECT_EQ(harness_->FinalState(), Ended);
}

}  // namespace
}  // namespace corvane::test
