// Identification numbers, NVRAM clearing, download lists matched to the part
// number, and the settings the program leaves behind.
#include <fstream>
#include <sstream>
#include <string>

#include "tests/e2e/StoryFixture.h"

namespace corvane::e2e {
namespace {

using Maintenance = StoryTest;

TEST_F(Maintenance, ProgramIdsWritesTheNumbersAndEmptiesTheEdits) {
    system.PlugProjector(QuickProjector());
    Run([this](RecordingWindow& window) {
        ASSERT_TRUE(WaitUntilReady());
        ASSERT_TRUE(window.Type(Ids::kNewPartNumber, "2002-7777-09"));
        ASSERT_TRUE(window.Type(Ids::kNewSerialNumber, "Z12345678901"));
        ASSERT_TRUE(window.Click(Ids::kProgramIds));
        EXPECT_EQ(window.Text(Ids::kNewPartNumber), "");
        EXPECT_EQ(window.Text(Ids::kNewSerialNumber), "");
        EXPECT_EQ(Record().displayState, ProgrammingIds);
        ASSERT_TRUE(WaitUntilReady());
        EXPECT_EQ(Projector().PartNumber(), "2002-7777-09");
        EXPECT_EQ(Projector().SerialNumber(), "Z12345678901");
    });
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(Maintenance, ClearNvramLocksTheAdvancedWindowUntilDone) {
    PresetNumber("Enable Advanced Dialog", 1);
    sim::ProjectorConfig config = QuickProjector();
    config.faults.Split(sim::Command::ClearNvram, 0, 1);  // the ACK comes later
    system.PlugProjector(config);
    Run([this](RecordingWindow& window) {
        ASSERT_TRUE(WaitUntilReady());
        ASSERT_TRUE(window.Click(Ids::kAdvanced));
        RecordingWindow* advanced = windows.Latest(kAdvancedTemplateId);
        ASSERT_NE(advanced, nullptr);
        ASSERT_TRUE(advanced->IsWindowVisible());
        ASSERT_TRUE(advanced->Click(AdvancedDialogIds::kClearNvram));
        ASSERT_TRUE(PumpUntil([this] { return Record().displayState == ClearingNvram; }));
        EXPECT_TRUE(Main().Advanced().Locked());
        advanced->PressCloseBox();
        EXPECT_TRUE(advanced->IsWindowVisible());
        ASSERT_TRUE(PumpUntil([this] { return Record().displayState == Ready; }));
        EXPECT_FALSE(Main().Advanced().Locked());
        EXPECT_EQ(Projector().NvramClearCount(), 1);
        EXPECT_EQ(Projector().NvramContents(), std::vector<uint8_t>(2048, 0xFF));
    });
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(Maintenance, APartNumberListLeadsToProgramIdsAndThenToTheNewNumbersList) {
    WriteHexFile("new.hex", 0x28000, 0x200, 9, "PJX2000-A1");
    folder.Write("1002-3456-0.DLD", "[NewPartNumber]\r\nPN=\"2002-0000-01\"\r\n");
    folder.Write("2002-0000-0.DLD", "[DownloadFiles]\r\nFile=\"new.hex\"\r\n");
    PresetNumber("Match Files to Part Number", 1);
    PresetText(".DLD Path", folder.Path() + "/");
    system.PlugProjector(QuickProjector());
    Run([this](RecordingWindow& window) {
        ASSERT_TRUE(PumpUntil([this] {
            return IsConnected() && Record().displayState == Ready &&
                   Projector().PartNumber() == "2002-0000-01" && Record().fileCount == 1;
        }));
        EXPECT_EQ(window.Text(Ids::kPartNumber), "2002-0000-01");
        EXPECT_EQ(window.Items(Ids::kFileList), std::vector<std::string>{"new.hex"});
        EXPECT_EQ(std::string(Record().filePaths[0]), folder.File("new.hex"));
        EXPECT_EQ(Projector().SerialNumber(), "A10000012345");
    });
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(Maintenance, AMissingListForThePartNumberIsToldOnEveryReady) {
    PresetNumber("Match Files to Part Number", 1);
    PresetText(".DLD Path", folder.Path() + "/");
    system.PlugProjector(QuickProjector());
    Run([this](RecordingWindow&) {
        ASSERT_TRUE(WaitUntilReady());
        EXPECT_EQ(Record().fileCount, 0);
        system.UnplugProjector();
        ASSERT_TRUE(PumpUntil([this] { return !IsConnected(); }));
        system.PlugProjector(QuickProjector());
        ASSERT_TRUE(WaitUntilReady());
    });
    const std::string missing = "Can't open .DLD file:\n" + folder.File("1002-3456-0.DLD");
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{missing, "Lost connection", missing}));
}

TEST_F(Maintenance, TheSettingsAreWrittenAtCloseInOrder) {
    system.PlugProjector(QuickProjector());
    Run([this](RecordingWindow&) {
        ASSERT_TRUE(WaitUntilReady());
        Record().ShowCompletionMessageBox = 1;
        Record().EnableAdvancedDialog = 1;
    });
    std::ifstream file(folder.File("Settings.reg"));
    std::stringstream text;
    text << file.rdbuf();
    const std::string contents = text.str();
    const char* order[] = {"\"Enable File Selection\"=dword:00000001",
                           "\"Match Files to Hardware\"=dword:00000001",
                           "\"Match Files to Part Number\"=dword:00000000",
                           "\"Enable Advanced Dialog\"=dword:00000001",
                           "\"Show Completion Message Box\"=dword:00000001",
                           "@=dword:00000000",
                           "\".DLD Path\"=\"\""};
    size_t at = 0;
    for (const char* line : order) {
        const size_t found = contents.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << "\nin\n" << contents;
        at = found;
    }
}

}  // namespace
}  // namespace corvane::e2e
