// Part-number matching as the user sees it across reconnections.
#include "app/ui/MainWindowRecordOps.h"
#include "tests/platform/TempFolder.h"
#include "tests/ui/MainWindowFixture.h"

namespace corvane::test {
namespace {

class PartNumberMatchingTest : public MainWindowFixture {
protected:
    void StartMatching() {
        SetNumber("Match Files to Part Number", 1);
        SetSettingText(".DLD Path", (folder.Path() + "/").c_str());
        Start();
    }
    std::string Base() const { return folder.Path() + "/"; }
    platform::test::TempFolder folder;
};

TEST_F(PartNumberMatchingTest, NewPartNumberListLeadsToProgramIdsAndThenToTheNewList) {
    folder.Write("OLD-1.DLD", "[NewPartNumber]\nPN=\"NEW-2\"\n");
    folder.Write("NEW-2.DLD", "[DownloadFiles]\nFile=\"boot.hex\"\nFile=\"main.hex\"\n");
    StartMatching();
    Win().Type(Ids::kNewSerialNumber, "SN-77");
    Identify("OLD-1");
    // The posted click has been handled like the user's.
    EXPECT_EQ(thread.posted, (std::vector<uint32_t>{TM_PROGRAM_IDS}));
    EXPECT_STREQ(Record().newPartNumber, "NEW-2");
    EXPECT_STREQ(Record().newSerialNumber, "SN-77");
    EXPECT_EQ(State(), ProgrammingIds);
    EXPECT_EQ(Record().fileCount, 0);

    // The download thread programs and reads back the identity.
    Identify("NEW-2");
    EXPECT_EQ(State(), Ready);
    EXPECT_EQ(Win().Items(Ids::kFileList), (std::vector<std::string>{"boot.hex", "main.hex"}));
    EXPECT_STREQ(Record().filePaths[0], (Base() + "boot.hex").c_str());
    EXPECT_TRUE(Win().Enabled(Ids::kDownload));
    EXPECT_EQ(thread.posted.size(), 1u);
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(PartNumberMatchingTest, AMissingListIsShownOnEveryReady) {
    StartMatching();
    Identify("PN-404");
    Win().Click(Ids::kVerify);   // disabled: no files
    Deliver(WM_OPERATION_DONE);  // Ready again: nothing
    main->ApplyDisplayState(WaitingForProjector);
    Identify("PN-404");
    ASSERT_EQ(windows.MessageBoxes().size(), 2u);
    for (const auto& box : windows.MessageBoxes()) {
        EXPECT_EQ(box.text, "Can't open .DLD file:\n" + Base() + "PN-404.DLD");
    }
    EXPECT_EQ(Record().fileCount, 0);
    EXPECT_FALSE(Win().Enabled(Ids::kDownload));
}

TEST_F(PartNumberMatchingTest, ProjectorLostWhileTheMissingListBoxIsOpen) {
    StartMatching();
    windows.WhileMessageBoxOpen(
        [&](const MessageBoxRecord&) { main->ApplyDisplayState(WaitingForProjector); });
    Identify("PN-404");
    EXPECT_EQ(windows.MessageBoxes().size(), 1u);
    EXPECT_EQ(State(), WaitingForProjector);
    EXPECT_FALSE(Win().Enabled(Ids::kProgramIds));
    EXPECT_EQ(Win().Text(Ids::kStatus), "Waiting for new connection...");
}

TEST_F(PartNumberMatchingTest, TheListGoesWithTheProjectorAndComesBackWithIt) {
    folder.Write("PN-1.DLD", "[DownloadFiles]\nFile=\"a.hex\"\n");
    StartMatching();
    Identify("PN-1");
    EXPECT_EQ(Record().fileCount, 1);
    main->ApplyDisplayState(WaitingForProjector);
    EXPECT_TRUE(Win().Items(Ids::kFileList).empty());
    EXPECT_EQ(Record().fileCount, 0);
    Identify("PN-1");
    EXPECT_EQ(Win().Items(Ids::kFileList), (std::vector<std::string>{"a.hex"}));
}

TEST_F(PartNumberMatchingTest, WithMatchingOffAHandChosenListSurvivesAReconnection) {
    Start();
    windows.AnswerFiles("/fw", {"a.hex"});
    Win().Click(Ids::kSelectFiles);
    Identify("PN-1");
    main->ApplyDisplayState(WaitingForProjector);
    Identify("PN-1");
    EXPECT_EQ(Win().Items(Ids::kFileList), (std::vector<std::string>{"a.hex"}));
    EXPECT_TRUE(Win().Enabled(Ids::kDownload));
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

}  // namespace
}  // namespace corvane::test
