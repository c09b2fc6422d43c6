// The state table, driven step by step on the test thread with scripted
// replies (no threads): commands, results, status lines and errors.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <thread>

#include "ChannelFixture.h"
#include "EngineHarness.h"
#include "app/engine/DownloadJobOps.h"
#include "app/engine/JobState.h"
#include "app/ui/WindowMessages.h"

namespace corvane::test {
namespace {

using Writes = std::vector<std::string>;
using Messages = std::vector<PostedMessage>;

const PostedMessage kWaiting = Text(1012, "Waiting for new connection...");
const PostedMessage kHide = Progress(0xFFFFFFFE);

class StepJobTest : public ChannelFixture {
protected:
    StepJobTest() { job.slot = 0; }

    uint32_t& state() { return record().state; }
    void Step(const std::string& reply) {
        Reply(reply);
        StepJob(job, 0);
    }
    Messages TakeMessages() {
        window.Clear();
        window.Drain();
        return window.Messages();
    }
    // Runs the whole handshake with good replies.
    void Identify() {
        state() = SyncStart;
        StepJob(job, 0);
        for (const char* reply : {"\x06", "\x06PJX2000-A1\r", "\x06", "\x06PN-1\r", "\x06",
                                  "\x06SN-1\r", "\x06VELTA1\r",
                                  "\x06"
                                  "3,30000,0,10000,20000\r"}) {
            Step(reply);
        }
        ASSERT_EQ(state(), Idle);
        TakeWrites();
        TakeMessages();
    }
    void AddFile(const std::string& path) {
        std::snprintf(window.record.filePaths[window.record.fileCount], kPathChars + 1, "%s",
                      path.c_str());
        window.record.fileCount += 1;
    }

    DownloadJob job{&context};
};

Messages FailureMessages(uint32_t code) {
    return {Error(code), kHide, kWaiting, Done()};
}

TEST_F(StepJobTest, HandshakeSendsItsCommandsInOrderAndReportsEachStep) {
    state() = SyncStart;
    StepJob(job, 0);
    EXPECT_EQ(state(), SyncWait);
    Step("\x06");
    EXPECT_EQ(state(), PlatformWait);
    EXPECT_EQ(TakeMessages(), Messages{Text(1012, "Requesting Platform ID...")});
    Step("\x06PJX2000-A1\r");
    EXPECT_EQ(state(), ReadIds);
    EXPECT_EQ(TakeMessages(), Messages{Text(1014, "PJX2000-A1")});
    for (const char* reply : {"\x06", "\x06PN-1\r", "\x06"}) {
        Step(reply);
        EXPECT_EQ(state(), ReadIds);
    }
    Step("\x06SN-1\r");
    EXPECT_EQ(state(), IdentifyWait);
    EXPECT_EQ(TakeMessages(), (Messages{Text(1025, "PN-1"), Text(1026, "SN-1")}));
    Step("\x06VELTA1\r");
    EXPECT_EQ(state(), PartitionsWait);
    EXPECT_EQ(TakeMessages(), Messages{Text(1012, "Requesting Flash Partitions...")});
    Step(
        "\x06"
        "3,30000,0,10000,20000\r");
    EXPECT_EQ(state(), Idle);
    EXPECT_EQ(TakeMessages(), (Messages{Done(), Text(1012, "Connected")}));
    EXPECT_EQ(TakeWrites(), (Writes{"Sync\r", "P", "G", "P", "G", "S", "I", "B"}));
    EXPECT_EQ(context.partitions.count, 3);
}

TEST_F(StepJobTest, NegativeSyncFailsWithCodeOneAndBlanksThePlatform) {
    state() = SyncStart;
    StepJob(job, 0);
    TakeMessages();
    Step("\x15");
    EXPECT_EQ(state(), Ended);
    EXPECT_STREQ(window.record.platformId, "");
    Messages expected{Text(1014, "")};
    for (const PostedMessage& m : FailureMessages(1)) {
        expected.push_back(m);
    }
    EXPECT_EQ(TakeMessages(), expected);
}

TEST_F(StepJobTest, NegativePlatformReplyIsShownThenBlanked) {
    state() = SyncStart;
    StepJob(job, 0);
    Step("\x06");
    TakeMessages();
    Step("\x15PJX2000-A1\r");
    EXPECT_EQ(state(), Ended);
    const Messages messages = TakeMessages();
    ASSERT_GE(messages.size(), 3u);
    EXPECT_EQ(messages[0], Text(1014, "PJX2000-A1"));
    EXPECT_EQ(messages[1], Text(1014, ""));
    EXPECT_EQ(messages[2], Error(1));
}

TEST_F(StepJobTest, HandshakeFailuresAndTheirCodes) {
    struct Case {
        std::vector<const char*> replies;
        uint32_t code;
    };
    const std::vector<Case> cases = {
        {{"\x06", "\x06PJX2000-A1\r", "\x15"}, 0},                              // G refused
        {{"\x06", "\x06PJX2000-A1\r", "\x06", "\x06PN\r", "\x06", "\x15"}, 0},  // S refused
        {{"\x06", "\x06PJX2000-A1\r", "\x06", "\x06PN\r", "\x06", "\x06SN\r", "\x15", "\x15",
          "\x15"},
         0},  // I refused 3x
        {{"\x06", "\x06PJX2000-A1\r", "\x06", "\x06PN\r", "\x06", "\x06SN\r", "\x06velta1\r"},
         3},  // wrong case
        {{"\x06", "\x06PJX2000-A1\r", "\x06", "\x06PN\r", "\x06", "\x06SN\r", "\x06VELTA1\r",
          "\x06"
          "2,30000\r"},
         3},  // malformed
        {{"\x06", "\x06PJX2000-A1\r", "\x06", "\x06PN\r", "\x06", "\x06SN\r", "\x06VELTA1\r",
          "\x15", "\x15", "\x15", "\x15", "\x15"},
         0},  // B refused 5x
    };
    for (const Case& c : cases) {
        state() = SyncStart;
        StepJob(job, 0);
        for (const char* reply : c.replies) {
            ASSERT_NE(state(), Ended);
            Step(reply);
        }
        EXPECT_EQ(state(), Ended);
        const Messages errors = [&] {
            TakeMessages();
            return window.Of(WM_SHOW_ERROR);
        }();
        EXPECT_EQ(errors, Messages{Error(c.code)}) << c.replies.size();
    }
}

TEST_F(StepJobTest, WrongIdentificationPostsThePartitionStatusFirst) {
    state() = SyncStart;
    StepJob(job, 0);
    for (const char* reply : {"\x06", "\x06PJX2000-A1\r", "\x06", "\x06PN\r", "\x06", "\x06SN\r"}) {
        Step(reply);
    }
    TakeMessages();
    Step("\x06VELTA10\r");
    const Messages messages = TakeMessages();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0], Text(1012, "Requesting Flash Partitions..."));
    EXPECT_EQ(messages[1], Error(3));
}

TEST_F(StepJobTest, ClearNvramFromIdleAndFromEnded) {
    Identify();
    for (uint32_t from : {static_cast<uint32_t>(Idle), static_cast<uint32_t>(Ended)}) {
        state() = from;
        HandleJobMessage(job, TM_CLEAR_NVRAM);
        EXPECT_EQ(state(), ClearNvramWait);
        EXPECT_EQ(TakeWrites(), Writes{"C"});
        Step("\x06");
        EXPECT_EQ(state(), Idle);
        EXPECT_EQ(TakeMessages(), (Messages{Done(), Text(1012, "Connected")}));
    }
    HandleJobMessage(job, TM_CLEAR_NVRAM);
    Step("\x15");
    EXPECT_EQ(TakeMessages(), FailureMessages(0));
}

TEST_F(StepJobTest, ProgramIdsWithNothingToWriteReadsTheNumbersAtOnce) {
    Identify();
    HandleJobMessage(job, TM_PROGRAM_IDS);
    EXPECT_EQ(state(), ReadIds);
    EXPECT_EQ(TakeWrites(), Writes{"G"});
}

TEST_F(StepJobTest, ProgramIdsWritesThenRepeatsTheHandshakeFromTheNumbers) {
    Identify();
    std::snprintf(window.record.newSerialNumber, 13, "%s", "SN-2");
    HandleJobMessage(job, TM_PROGRAM_IDS);
    EXPECT_EQ(state(), ProgramIdsWait);
    Step("\x06");
    Step("\x06");
    EXPECT_EQ(state(), ReadIds);
    for (const char* reply : {"\x06", "\x06PN-1\r", "\x06", "\x06SN-2\r", "\x06VELTA1\r",
                              "\x06"
                              "3,30000,0,10000,20000\r"}) {
        Step(reply);
    }
    EXPECT_EQ(state(), Idle);
    EXPECT_EQ(TakeWrites(), (Writes{"S", "SSN-2\r", "G", "P", "G", "S", "I", "B"}));
    EXPECT_STREQ(window.record.currentSerialNumber, "SN-2");
}

TEST_F(StepJobTest, ProgramIdsRefusedFailsWithCodeZero) {
    Identify();
    std::snprintf(window.record.newPartNumber, 15, "%s", "PN-2");
    HandleJobMessage(job, TM_PROGRAM_IDS);
    Step("\x06");
    Step("\x15");
    EXPECT_EQ(state(), Ended);
    EXPECT_EQ(TakeMessages(), FailureMessages(0));
}

TEST_F(StepJobTest, EndedAndUnknownStatesDoNothing) {
    for (uint32_t s : {static_cast<uint32_t>(Ended), 16u, 0xFFFFFFFFu}) {
        state() = s;
        Step("\x06");
        EXPECT_EQ(state(), s);
    }
    for (uint32_t s : {16u, 0xFFFFFFFFu}) {
        state() = s;
        HandleJobMessage(job, TM_DOWNLOAD);
        HandleJobMessage(job, TM_VERIFY);
        EXPECT_EQ(state(), s);
    }
    EXPECT_TRUE(TakeWrites().empty());
    EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(StepJobTest, DownloadOrVerifyOfAnEndedJobIsAnsweredAtOnceInsteadOfHanging) {
    for (uint32_t request : {TM_DOWNLOAD, TM_VERIFY}) {
        state() = Ended;
        HandleJobMessage(job, request);
        EXPECT_EQ(state(), Ended);
        EXPECT_EQ(job.verifyOnly, 0);
        EXPECT_EQ(TakeMessages(), FailureMessages(8)) << request;
    }
    EXPECT_TRUE(TakeWrites().empty());
}

TEST_F(StepJobTest, FailedRunsLeaveNoVerificationFlagForTheNextDownload) {
    Identify();
    window.record.VerifyDownloads = 1;
    // A verify-only run that fails: its first file flags nothing, its second
    // is missing.
    TempFile nothing(":00000001FF\n", "nothing.hex");
    AddFile(nothing.Path());
    AddFile("/nonexistent/corvane/second.hex");
    HandleJobMessage(job, TM_VERIFY);
    TakeMessages();
    ASSERT_EQ(window.Of(WM_SHOW_ERROR), Messages{Error(7)});
    EXPECT_EQ(job.verifyOnly, 0);
    HandleJobMessage(job, TM_PROGRAM_IDS);  // empty numbers: identified again
    for (const char* reply : {"\x06", "\x06PN-1\r", "\x06", "\x06SN-1\r", "\x06VELTA1\r",
                              "\x06"
                              "3,30000,0,10000,20000\r"}) {
        Step(reply);
    }
    ASSERT_EQ(state(), Idle);
    TakeWrites();
    TempFile data(IntelHex(0x100, Pattern(16, 1)));
    window.record.fileCount = 0;
    window.record.currentFileIndex = 0;
    AddFile(data.Path());
    HandleJobMessage(job, TM_DOWNLOAD);
    EXPECT_EQ(TakeWrites(), Writes{"E"});  // programming, not a verification
    // Erase, "BE", "F", the block, the end block, "X"; then "V" is refused.
    for (const char* reply : {"\x06", "\x06", "\x06", "\x06", "\x06", "\x06", "\x15"}) {
        Step(reply);
    }
    ASSERT_EQ(state(), Ended);
    EXPECT_EQ(job.verifyingDownload, 0);
}

TEST_F(StepJobTest, ClearingTheNvramOfAnUnidentifiedProjectorDoesNotMakeItIdle) {
    state() = SyncStart;
    StepJob(job, 0);
    for (const char* reply :
         {"\x06", "\x06PJX2000-A1\r", "\x06", "\x06PN\r", "\x06", "\x06SN\r", "\x06VELTA1\r",
          "\x06"
          "2,30000\r"}) {
        Step(reply);  // the partition descriptor is malformed
    }
    ASSERT_EQ(state(), Ended);
    TakeMessages();
    HandleJobMessage(job, TM_CLEAR_NVRAM);
    Step("\x06");
    EXPECT_EQ(state(), Ended);
    EXPECT_EQ(TakeMessages(), Messages{Done()});
    TakeWrites();
    HandleJobMessage(job, TM_DOWNLOAD);
    EXPECT_TRUE(TakeWrites().empty());
    EXPECT_EQ(TakeMessages(), FailureMessages(8));
}

TEST_F(StepJobTest, DamagedStagedImageIsReportedAsAFileErrorNotATimeOut) {
    Identify();
    TempFile file(IntelHex(0x100, Pattern(64, 1)));
    AddFile(file.Path());
    HandleJobMessage(job, TM_DOWNLOAD);
    Step("\x06");
    Step("\x06");
    ASSERT_EQ(state(), ProgramWait);
    // The staged image is cut short inside its first block.
    std::fclose(record().stagedImage);
    record().stagedImage = std::tmpfile();
    ASSERT_NE(record().stagedImage, nullptr);
    std::fwrite("\0\0\x01\0\0\x40\x55\x55", 1, 8, record().stagedImage);
    std::rewind(record().stagedImage);
    TakeWrites();
    Step("\x06");
    EXPECT_EQ(state(), Ended);
    EXPECT_TRUE(TakeWrites().empty());
    TakeMessages();
    EXPECT_EQ(window.Of(WM_SHOW_ERROR), (Messages{Error(7, file.Path().c_str())}));
}

TEST_F(StepJobTest, StopEndsTheJobAndClosesItsFiles) {
    Identify();
    TempFile file(IntelHex(0x100, Pattern(64, 1)));
    AddFile(file.Path());
    HandleJobMessage(job, TM_DOWNLOAD);
    ASSERT_EQ(state(), EraseWait);
    ASSERT_NE(job.sourceFile, nullptr);
    ASSERT_NE(record().stagedImage, nullptr);
    record().replyEvent->Set();
    HandleJobMessage(job, TM_STOP);
    EXPECT_EQ(state(), Ended);
    EXPECT_EQ(job.sourceFile, nullptr);
    EXPECT_EQ(record().stagedImage, nullptr);
    EXPECT_FALSE(record().replyEvent->IsSet());
    const Messages messages = TakeMessages();
    ASSERT_GE(messages.size(), 3u);
    EXPECT_EQ(Messages(messages.end() - 3, messages.end()), (Messages{kHide, kWaiting, Done()}));
    EXPECT_FALSE(HandleJobMessage(job, TM_QUIT));
}

TEST_F(StepJobTest, FileThatCannotBeOpenedFailsWithCodeSeven) {
    Identify();
    AddFile("/nonexistent/corvane/file.hex");
    HandleJobMessage(job, TM_DOWNLOAD);
    EXPECT_EQ(TakeMessages(), FailureMessages(7));
    EXPECT_TRUE(TakeWrites().empty());
}

TEST_F(StepJobTest, CorruptFileFailsWithCodeFourAndItsPath) {
    Identify();
    TempFile file(":10000000ZZ\n");
    AddFile(file.Path());
    HandleJobMessage(job, TM_DOWNLOAD);
    TakeMessages();
    const Messages errors = window.Of(WM_SHOW_ERROR);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].wParam, 4u);
    EXPECT_EQ(errors[0].text, file.Path());
    EXPECT_EQ(errors[0].detail, window.record.filePaths[0]);  // not a copy: not freed
    EXPECT_EQ(job.sourceFile, nullptr);
    EXPECT_EQ(record().stagedImage, nullptr);
}

TEST_F(StepJobTest, FileForAnotherPlatformFailsWithCodeFive) {
    Identify();
    window.record.MatchFilesToHardware = 1;
    TempFile file(IntelHex(0x100, Pattern(16, 1)));
    AddFile(file.Path());
    HandleJobMessage(job, TM_DOWNLOAD);
    EXPECT_EQ(TakeMessages(),
              (Messages{Text(1012, "Scanning File..."), Error(5), kHide, kWaiting, Done()}));
}

// Needs a per-process limit on open files, which Windows does not have.
#if !defined(_WIN32)
TEST_F(StepJobTest, NoStagedImageFailsWithCodeSevenAndClosesTheSource) {
    Identify();
    TempFile file(IntelHex(0x100, Pattern(16, 1)));
    AddFile(file.Path());
    // Leave exactly one free descriptor: the source opens, the staged image cannot.
    const int lowestFree = dup(0);
    ASSERT_GE(lowestFree, 0);
    close(lowestFree);
    rlimit saved{};
    getrlimit(RLIMIT_NOFILE, &saved);
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(lowestFree + 1);
    setrlimit(RLIMIT_NOFILE, &tight);
    HandleJobMessage(job, TM_DOWNLOAD);
    setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(TakeMessages(),
              (Messages{Text(1012, "Scanning File..."), Error(7), kHide, kWaiting, Done()}));
    EXPECT_EQ(state(), Ended);
    EXPECT_EQ(job.sourceFile, nullptr);
    EXPECT_TRUE(TakeWrites().empty());
}
#endif

TEST_F(StepJobTest, DownloadOfAFileMarkingNoPartitionCompletesAtOnce) {
    for (uint32_t verify : {0u, 1u}) {
        Identify();
        window.record.VerifyDownloads = verify;
        window.record.currentFileIndex = 0;
        window.record.downloadFinished = 0;
        TempFile file(":00000001FF\n");
        window.record.fileCount = 0;
        AddFile(file.Path());
        HandleJobMessage(job, TM_DOWNLOAD);
        EXPECT_EQ(state(), Ended) << verify;
        EXPECT_EQ(TakeWrites(), Writes{"R"}) << verify;
        EXPECT_EQ(window.record.downloadFinished, 1);
        const Messages messages = TakeMessages();
        ASSERT_GE(messages.size(), 3u);
        EXPECT_EQ(Messages(messages.end() - 3, messages.end()),
                  (Messages{kHide, kWaiting, Done()}));
    }
}

TEST_F(StepJobTest, VerifyOnlyRunOfAFileMarkingNoPartitionPassesWithoutCommands) {
    Identify();
    TempFile file(":00000001FF\n");
    AddFile(file.Path());
    HandleJobMessage(job, TM_VERIFY);
    EXPECT_EQ(state(), Idle);
    EXPECT_EQ(job.verifyOnly, 0);
    EXPECT_TRUE(TakeWrites().empty());
    const Messages messages = TakeMessages();
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(Messages(messages.end() - 2, messages.end()),
              (Messages{Done(0), Text(1012, "Connected")}));
    EXPECT_EQ(job.sourceFile, nullptr);
    EXPECT_EQ(record().stagedImage, nullptr);
}

TEST_F(StepJobTest, StatusLinesWithLongFileNamesStayInsideTheirBuffer) {
    Identify();
    const std::string longName(120, 'n');
    TempFile file(IntelHex(0x100, Pattern(16, 1)), longName + ".hex");
    AddFile(file.Path());
    HandleJobMessage(job, TM_DOWNLOAD);
    Step("\x06");
    Step("\x06");
    ASSERT_EQ(state(), ProgramWait);
    TakeMessages();
    const Writes texts = window.TextsOf(1012);
    ASSERT_FALSE(texts.empty());
    const std::string& line = texts.back();
    EXPECT_EQ(line.size(), 51u);
    EXPECT_EQ(line.rfind("Downloading nnnn", 0), 0u);
    EXPECT_EQ(line.substr(line.size() - 3), "...");
}

TEST_F(StepJobTest, DownloadThreadOfAnUnboundJobOnlyWaitsForQuit) {
    job.thread = platform::MessageThread::StartSuspended(DownloadThreadMain, &job);
    job.slot = kUnboundSlot;
    job.thread->Resume();
    while (!job.thread->Post(TM_START)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(job.thread->Post(TM_DOWNLOAD));
    EXPECT_FALSE(job.thread->Join(20));
    job.thread->Post(TM_QUIT);
    ASSERT_TRUE(job.thread->Join(5000));
    EXPECT_EQ(job.thread->ExitCode(), 1u);
    EXPECT_TRUE(TakeWrites().empty());
}

TEST(FileStatusTest, ShortNamesAreWhole) {
    char line[52];
    ComposeFileStatus(line, sizeof(line), "Downloading ", "boot.hex", "...");
    EXPECT_STREQ(line, "Downloading boot.hex...");
    ComposeFileStatus(line, sizeof(line), "Verifying ", "boot.hex", "");
    EXPECT_STREQ(line, "Verifying boot.hex");
}

TEST(FileStatusTest, NamesAtTheLimitAndBeyond) {
    char line[52];
    const std::string fits(51 - 10, 'a');  // "Verifying " is 10 characters
    ComposeFileStatus(line, sizeof(line), "Verifying ", fits.c_str(), "");
    EXPECT_EQ(std::string(line), "Verifying " + fits);
    const std::string over = fits + "b";
    ComposeFileStatus(line, sizeof(line), "Verifying ", over.c_str(), "");
    EXPECT_EQ(std::string(line), "Verifying " + fits.substr(0, 38) + "...");
    EXPECT_EQ(std::strlen(line), 51u);
}

}  // namespace
}  // namespace corvane::test
