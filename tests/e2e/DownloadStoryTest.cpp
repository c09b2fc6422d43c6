// Downloads and verification from the user's side: choosing files, Download,
// the completion box, errors, Stop, and a verification that fails.
#include <string>

#include "tests/e2e/StoryFixture.h"

namespace corvane::e2e {
namespace {

class Download : public StoryTest {
protected:
    // Three files in three partitions, chosen with Select Files.
    void ChooseThreeFiles() {
        WriteHexFile("boot.hex", 0x0, 0x900, 1, "PJX2000-A1");
        WriteHexFile("main.hex", 0x20000, 0x500, 2, "PJX2000-A1");
        WriteHexFile("data.hex", 0x2C000, 0x300, 3, "PJX2000-A1");
        windows.AnswerFiles(folder.Path(), {"boot.hex", "main.hex", "data.hex"});
        ASSERT_TRUE(Win().Click(Ids::kSelectFiles));
        ASSERT_EQ(Record().fileCount, 3);
    }
    void ExpectThreeFilesInFlash() {
        EXPECT_EQ(Projector().ReadFlash(0x0, 0x900), PatternBytes(0x900, 1));
        EXPECT_EQ(Projector().ReadFlash(0x20000, 0x500), PatternBytes(0x500, 2));
        EXPECT_EQ(Projector().ReadFlash(0x2C000, 0x300), PatternBytes(0x300, 3));
    }
    // The download ends with "R": the projector restarts, is lost without a
    // word, comes back and is identified again.
    bool WaitForReconnection() {
        return PumpUntil([this] {
            return Projector().RestartCount() == 1 && IsConnected() &&
                   Record().displayState == Ready;
        });
    }
    // Ready, three files chosen, Download pressed, and the projector back
    // from its restart.
    void DownloadThreeFilesThroughTheRestart() {
        ASSERT_TRUE(WaitUntilReady());
        ChooseThreeFiles();
        ASSERT_TRUE(Win().Click(Ids::kDownload));
        EXPECT_EQ(Record().displayState, Downloading);
        ASSERT_TRUE(WaitForReconnection());
    }
    size_t Count(const std::string& command) {
        size_t count = 0;
        for (const std::vector<uint8_t>& transfer : Projector().Received()) {
            if (std::string(transfer.begin(), transfer.end()) == command) {
                ++count;
            }
        }
        return count;
    }
};

TEST_F(Download, SeveralFilesWithVerificationAndTheCompletionBox) {
    PresetNumber(nullptr, 1);  // Verify Downloads
    PresetNumber("Show Completion Message Box", 1);
    system.PlugProjector(QuickProjector());
    Run([this](RecordingWindow&) {
        ASSERT_NO_FATAL_FAILURE(DownloadThreeFilesThroughTheRestart());
        ExpectThreeFilesInFlash();
        EXPECT_EQ(Count("V"), 3u);
        EXPECT_EQ(Count("R"), 1u);
    });
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Download successful"});
    EXPECT_EQ(windows.MessageBoxes()[0].caption, "Passed");
}

TEST_F(Download, TheProjectorRestartingBehindTheCompletionBoxIsTakenUpOnce) {
    PresetNumber("Show Completion Message Box", 1);
    readBoxFor = std::chrono::milliseconds(400);  // the projector is back before the box closes
    system.PlugProjector(QuickProjector());
    Run([this](RecordingWindow&) {
        ASSERT_NO_FATAL_FAILURE(DownloadThreeFilesThroughTheRestart());
        PumpFor(std::chrono::milliseconds(30));
        EXPECT_EQ(Record().displayState, Ready);
        EXPECT_TRUE(IsConnected());
        EXPECT_EQ(Win().Text(Ids::kSerialNumber), "A10000012345");
        EXPECT_TRUE(Win().Enabled(Ids::kDownload));
        EXPECT_TRUE(Win().Enabled(Ids::kVerify));
    });
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Download successful"});
}

TEST_F(Download, AfterAFailedIdentificationEveryOperationEndsInsteadOfLockingTheWindow) {
    PresetNumber("Enable Advanced Dialog", 1);
    sim::ProjectorConfig config = QuickProjector();
    config.faults.PartitionReply("2,30000");  // malformed: the job ends with code 3
    system.PlugProjector(config);
    Run([this](RecordingWindow& window) {
        ASSERT_TRUE(WaitUntilReady());
        WriteHexFile("image.hex", 0x0, 0x400, 7, "PJX2000-A1");
        windows.AnswerFiles(folder.File("image.hex"));
        ASSERT_TRUE(window.Click(Ids::kSelectFiles));
        ASSERT_TRUE(window.Click(Ids::kVerify));
        ASSERT_TRUE(PumpUntil([this] { return Record().displayState == Ready; }));
        ASSERT_TRUE(window.Click(Ids::kProgramIds));  // identifies again, and fails again
        ASSERT_TRUE(PumpUntil([this] { return Record().displayState == Ready; }));
        ASSERT_TRUE(window.Click(Ids::kAdvanced));
        RecordingWindow* advanced = windows.Latest(kAdvancedTemplateId);
        ASSERT_TRUE(advanced->Click(AdvancedDialogIds::kClearNvram));
        ASSERT_TRUE(PumpUntil([this] { return Record().displayState == ClearingNvram; }));
        ASSERT_TRUE(PumpUntil([this] { return Record().displayState == Ready; }));
        EXPECT_EQ(Projector().NvramClearCount(), 1);
        // Cleared, still unidentified: no download on a partition table that
        // is not this projector's.
        ASSERT_TRUE(window.Click(Ids::kDownload));
        ASSERT_TRUE(WaitUntilWaiting());
        EXPECT_EQ(Count("E"), 0u);
        EXPECT_EQ(Count("V"), 0u);
    });
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{
                              "Flash Partition Descriptor Error",
                              "Could not communicate with projector",
                              "Flash Partition Descriptor Error",
                              "Could not communicate with projector",
                          }));
}

TEST_F(Download, WithoutVerificationNoChecksumIsAskedAndNoBoxWithoutTheSetting) {
    system.PlugProjector(QuickProjector());
    Run([this](RecordingWindow&) {
        ASSERT_NO_FATAL_FAILURE(DownloadThreeFilesThroughTheRestart());
        ExpectThreeFilesInFlash();
        EXPECT_EQ(Count("V"), 0u);
        // The list stays for the next projector.
        EXPECT_EQ(Record().fileCount, 3);
        EXPECT_TRUE(Win().Enabled(Ids::kDownload));
    });
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(Download, AFileForAnotherPlatformIsRefusedBeforeAnythingIsErased) {
    system.PlugProjector(QuickProjector());
    Run([this](RecordingWindow&) {
        ASSERT_TRUE(WaitUntilReady());
        WriteHexFile("other.hex", 0x0, 0x100, 5, "PJX9999-B2");
        windows.AnswerFiles(folder.File("other.hex"));
        ASSERT_TRUE(Win().Click(Ids::kSelectFiles));
        const std::vector<uint8_t> before = Projector().FlashContents();
        ASSERT_TRUE(Win().Click(Ids::kDownload));
        ASSERT_TRUE(WaitUntilWaiting());
        EXPECT_EQ(Projector().FlashContents(), before);
        EXPECT_EQ(Count("E"), 0u);
    });
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"File and Projector Do Not Match"});
}

TEST_F(Download, AnErrorShowsOnlyItsBox) {
    PresetNumber("Show Completion Message Box", 1);
    sim::ProjectorConfig config = QuickProjector();
    config.faults.Refuse(sim::Command::Program, sim::kAlways);
    system.PlugProjector(config);
    Run([this](RecordingWindow&) {
        ASSERT_TRUE(WaitUntilReady());
        ChooseThreeFiles();
        ASSERT_TRUE(Win().Click(Ids::kDownload));
        ASSERT_TRUE(PumpUntil([this] { return !windows.MessageBoxes().empty(); }));
        ASSERT_TRUE(PumpUntil([this] { return Record().displayState == WaitingForProjector; }));
        PumpFor(std::chrono::milliseconds(20));
        EXPECT_EQ(Projector().RestartCount(), 0);
        EXPECT_EQ(Record().stopFlag, 0);
    });
    ASSERT_EQ(windows.MessageBoxes().size(), 1u);
    EXPECT_NE(windows.MessageBoxes()[0].text, "Download successful");
    EXPECT_EQ(windows.MessageBoxes()[0].caption, "Corvane");
}

TEST_F(Download, StopEndsTheDownloadWithoutRestartOrSuccess) {
    PresetNumber("Show Completion Message Box", 1);
    system.PlugProjector(QuickProjector());
    Run([this](RecordingWindow&) {
        ASSERT_TRUE(WaitUntilReady());
        WriteHexFile("big.hex", 0x0, 0x10000, 4, "PJX2000-A1");
        windows.AnswerFiles(folder.File("big.hex"));
        ASSERT_TRUE(Win().Click(Ids::kSelectFiles));
        ASSERT_TRUE(Win().Click(Ids::kDownload));
        ASSERT_TRUE(Win().Click(Ids::kStop));
        ASSERT_TRUE(WaitUntilWaiting());
        PumpFor(std::chrono::milliseconds(30));
        EXPECT_EQ(Count("R"), 0u);
        EXPECT_EQ(Projector().RestartCount(), 0);
        EXPECT_TRUE(IsConnected());
        EXPECT_EQ(Record().stopFlag, 0);
        EXPECT_FALSE(Win().Visible(Ids::kProgressBar));
    });
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(Download, AVerificationOfOldFirmwareFails) {
    system.PlugProjector(QuickProjector());
    Run([this](RecordingWindow&) {
        ASSERT_TRUE(WaitUntilReady());
        ChooseThreeFiles();
        const std::vector<uint8_t> before = Projector().FlashContents();
        ASSERT_TRUE(Win().Click(Ids::kVerify));
        EXPECT_EQ(Record().displayState, Verifying);
        ASSERT_TRUE(PumpUntil([this] { return Record().displayState == Ready; }));
        EXPECT_EQ(Projector().FlashContents(), before);
        EXPECT_GE(Count("V"), 1u);
        EXPECT_EQ(Count("F"), 0u);
    });
    ASSERT_EQ(BoxTexts(), std::vector<std::string>{"Failed!"});
    EXPECT_EQ(windows.MessageBoxes()[0].caption, "Flash Verification");
}

TEST_F(Download, AVerificationAfterADownloadPasses) {
    system.PlugProjector(QuickProjector());
    Run([this](RecordingWindow&) {
        ASSERT_NO_FATAL_FAILURE(DownloadThreeFilesThroughTheRestart());
        ASSERT_TRUE(Win().Click(Ids::kVerify));
        ASSERT_TRUE(PumpUntil([this] { return Record().displayState == Ready; }));
        EXPECT_EQ(Count("V"), 3u);
    });
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

}  // namespace
}  // namespace corvane::e2e
