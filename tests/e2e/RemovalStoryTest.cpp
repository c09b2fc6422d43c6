// Losing the projector: during a download, after its last file, while it is
// identified or verified, and a reader that hangs at close-down.
#include <string>

#include "app/ui/OwnedText.h"
#include "app/ui/WindowMessages.h"
#include "tests/e2e/StoryFixture.h"

namespace corvane::e2e {
namespace {

class Removal : public StoryTest {
protected:
    // Pulls the cable and lets the window handle the loss.
    void Unplug() {
        system.UnplugProjector();
        ASSERT_TRUE(PumpUntil([this] { return !IsConnected(); }));
        PumpFor(std::chrono::milliseconds(30));
    }
    void ChooseFile(uint32_t address, size_t size) {
        WriteHexFile("image.hex", address, size, 7, "PJX2000-A1");
        windows.AnswerFiles(folder.File("image.hex"));
        ASSERT_TRUE(Win().Click(Ids::kSelectFiles));
    }
    void LoseDuringDownload() {
        PresetNumber("Show Completion Message Box", 1);
        sim::ProjectorConfig config = QuickProjector();
        config.faults.UnplugAfterBlocks(3);
        system.PlugProjector(config);
        Run([this](RecordingWindow&) {
            ASSERT_TRUE(WaitUntilReady());
            ChooseFile(0x0, 0x2000);
            Main().Advanced().Show();
            ASSERT_TRUE(Win().Click(Ids::kDownload));
            ASSERT_TRUE(PumpUntil([this] { return !IsConnected(); }));
            PumpFor(std::chrono::milliseconds(30));
            EXPECT_EQ(Record().displayState, WaitingForProjector);
            EXPECT_EQ(Record().downloadFinished, 1);
            EXPECT_EQ(Record().stopFlag, 0);
            EXPECT_EQ(Status(), "Waiting for new connection...");
            EXPECT_TRUE(Win().IsWindowVisible());
            EXPECT_FALSE(windows.Latest(kAdvancedTemplateId)->IsWindowVisible());
        });
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Lost connection during download!"});
        EXPECT_EQ(windows.MessageBoxes()[0].caption, "Corvane");
    }
};

TEST_F(Removal, DuringADownloadOnlyTheLossIsToldWhenTheUserReadsTheBox) {
    readBoxFor = std::chrono::milliseconds(50);
    LoseDuringDownload();
}

TEST_F(Removal, DuringADownloadOnlyTheLossIsToldWhenTheBoxIsClosedAtOnce) {
    LoseDuringDownload();
}

TEST_F(Removal, InReadyTheLossIsToldOnceAndTheWindowWaits) {
    readBoxFor = std::chrono::milliseconds(30);
    system.PlugProjector(QuickProjector());
    Run([this](RecordingWindow&) {
        ASSERT_TRUE(WaitUntilReady());
        ASSERT_NO_FATAL_FAILURE(Unplug());
        EXPECT_EQ(Record().displayState, WaitingForProjector);
        EXPECT_FALSE(Win().Enabled(Ids::kDownload));
    });
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Lost connection"});
}

TEST_F(Removal, AfterTheLastFileNothingIsTold) {
    sim::ProjectorConfig config = QuickProjector();
    config.restartDelay = std::chrono::seconds(30);  // stays away until plugged in
    system.PlugProjector(config);
    Run([this](RecordingWindow&) {
        ASSERT_TRUE(WaitUntilReady());
        ChooseFile(0x10000, 0x400);
        ASSERT_TRUE(Win().Click(Ids::kDownload));
        ASSERT_TRUE(PumpUntil([this] { return !IsConnected(); }));
        PumpFor(std::chrono::milliseconds(30));
        EXPECT_EQ(Record().displayState, WaitingForProjector);
        EXPECT_EQ(Projector().ReadFlash(0x10000, 0x400), PatternBytes(0x400, 7));
        Projector().Plug();
        ASSERT_TRUE(WaitUntilReady());
    });
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(Removal, ASecondProjectorWaitingBehindARestartIsTakenUpOnceTheFirstHasGone) {
    PresetNumber("Show Completion Message Box", 1);
    readBoxFor = std::chrono::milliseconds(100);
    sim::ProjectorConfig first = QuickProjector();
    first.restartDelay = std::chrono::seconds(30);  // stays away
    system.PlugProjector(first);
    sim::ProjectorConfig secondConfig = QuickProjector();
    secondConfig.serialNumber = "B20000054321";
    sim::VirtualProjector second(secondConfig);
    Run([&](RecordingWindow&) {
        ASSERT_TRUE(WaitUntilReady());
        system.Kernel().PlugDevice(second);  // turned away: the slot is in use
        PumpFor(std::chrono::milliseconds(20));
        ASSERT_TRUE(second.Received().empty());
        ChooseFile(0x10000, 0x400);
        ASSERT_TRUE(Win().Click(Ids::kDownload));
        ASSERT_TRUE(PumpUntil([&] {
            return Projector().RestartCount() == 1 && IsConnected() &&
                   Record().displayState == Ready;
        }));
        PumpFor(std::chrono::milliseconds(30));
        EXPECT_EQ(Win().Text(Ids::kSerialNumber), "B20000054321");
        EXPECT_STREQ(Record().currentSerialNumber, "B20000054321");
        EXPECT_EQ(Record().displayState, Ready);
        system.Kernel().UnplugDevice(second);
        ASSERT_TRUE(PumpUntil([this] { return !IsConnected(); }));
    });
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Download successful", "Lost connection"}));
    system.Shutdown();
}

TEST_F(Removal, MessagesQueuedBehindTheLossBoxAreHandledAfterTheLossInOrder) {
    system.PlugProjector(QuickProjector());
    windows.WhileMessageBoxOpen([this](const test::MessageBoxRecord&) {
        // Posted while the box is open, handled after it: nothing of the
        // loss's own steps may come after it.
        windows.MainQueue()->Post(WM_SET_CONTROL_TEXT, Ids::kPlatformId,
                                  ReleaseTextToParam(CopyText("posted during the box")));
    });
    Run([this](RecordingWindow&) {
        ASSERT_TRUE(WaitUntilReady());
        ASSERT_NO_FATAL_FAILURE(Unplug());
        EXPECT_EQ(Record().displayState, WaitingForProjector);
        EXPECT_EQ(Win().Text(Ids::kPlatformId), "posted during the box");
    });
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Lost connection"});
}

TEST_F(Removal, WhileIdentifyingNothingIsTold) {
    sim::ProjectorConfig config = QuickProjector();
    config.faults.SilenceAt(sim::Command::Partitions);
    system.PlugProjector(config);
    Run([this](RecordingWindow&) {
        ASSERT_TRUE(PumpUntil([this] { return Projector().IsSilenced(); }));
        EXPECT_EQ(Record().displayState, WaitingForProjector);
        system.UnplugProjector();
        ASSERT_TRUE(PumpUntil([this] { return !IsConnected(); }));
        PumpFor(std::chrono::milliseconds(20));
        EXPECT_EQ(Record().displayState, WaitingForProjector);
    });
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(Removal, WhileVerifyingTheStagedImageIsClosedWithTheConnection) {
    sim::ProjectorConfig config = QuickProjector();
    config.faults.SilenceAt(sim::Command::VerifyRange);
    system.PlugProjector(config);
    Run([this](RecordingWindow&) {
        ASSERT_TRUE(WaitUntilReady());
        ChooseFile(0x0, 0x400);
        ASSERT_TRUE(Win().Click(Ids::kVerify));
        ASSERT_TRUE(PumpUntil([this] { return Projector().IsSilenced(); }));
        EXPECT_NE(Slot().stagedImage, nullptr);
        system.UnplugProjector();
        ASSERT_TRUE(PumpUntil([this] { return !IsConnected(); }));
        EXPECT_EQ(Slot().stagedImage, nullptr);
        EXPECT_EQ(Record().displayState, WaitingForProjector);
    });
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(Removal, AReaderStuckAtCloseIsReportedUntilTheProjectorIsUnplugged) {
    sim::ProjectorConfig config = QuickProjector();
    config.faults.SilenceAt(sim::Command::Partitions);
    system.PlugProjector(config);
    windows.WhileMessageBoxOpen(
        [this](const test::MessageBoxRecord&) { system.UnplugProjector(); });
    Run([this](RecordingWindow& window) {
        ASSERT_TRUE(PumpUntil([this] { return Projector().IsSilenced(); }));
        window.PressCloseBox();
        EXPECT_FALSE(IsConnected());
    });
    EXPECT_EQ(BoxTexts(),
              std::vector<std::string>{"USB Read Error: Unplug or Power Cycle Projector"});
}

}  // namespace
}  // namespace corvane::e2e
