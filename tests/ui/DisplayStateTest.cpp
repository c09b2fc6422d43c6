// The enabling, focus and labelling rules of each display state, and the
// state's other effects.
#include "app/ui/MainWindowRecordOps.h"
#include "tests/ui/MainWindowFixture.h"

namespace corvane::test {
namespace {

class DisplayStateTest : public MainWindowFixture {
protected:
    // Every button enabled, so that "unchanged" shows.
    void EnableAll() {
        for (int id : kButtons) {
            Win().EnableControl(id, true);
        }
    }
    void DisableAll() {
        for (int id : kButtons) {
            Win().EnableControl(id, false);
        }
    }
    // "1" enabled, "0" disabled, in the order of kButtons.
    std::string Buttons() {
        std::string result;
        for (int id : kButtons) {
            result += Win().Enabled(id) ? '1' : '0';
        }
        return result;
    }
    static constexpr int kButtons[] = {Ids::kProgramIds,  Ids::kConfig,   Ids::kAdvanced,
                                       Ids::kSelectFiles, Ids::kDownload, Ids::kVerify,
                                       Ids::kStop};
};

TEST_F(DisplayStateTest, StartWithNothingStoredWaitsForProjector) {
    Start();
    EXPECT_EQ(State(), WaitingForProjector);
    //        PI Cf Ad SF Dl Vf St
    EXPECT_EQ(Buttons(), "0101000");
    EXPECT_EQ(Win().Text(Ids::kStatus), "Waiting for new connection...");
    EXPECT_EQ(Win().Text(Ids::kPlatformId), "");
    EXPECT_EQ(Win().Text(Ids::kPartNumber), "");
    EXPECT_EQ(Win().Text(Ids::kSerialNumber), "");
    EXPECT_EQ(Win().Text(Ids::kDownload), "Download");
}

TEST_F(DisplayStateTest, WaitingClearsIdentityButKeepsPlatformFieldAndHandChosenList) {
    Start();
    GiveFiles(2);
    SetPlatformId(Record(), "QX200");
    SetCurrentSerialNumber(Record(), "SN1");
    Identify("PN-1");
    Win().SetControlText(Ids::kStatus, "Connected");
    main->ApplyDisplayState(WaitingForProjector);
    EXPECT_STREQ(Record().currentPartNumber, "");
    EXPECT_STREQ(Record().currentSerialNumber, "");
    EXPECT_STREQ(Record().platformId, "QX200");
    EXPECT_EQ(Win().Text(Ids::kPartNumber), "");
    EXPECT_EQ(Win().Text(Ids::kStatus), "Waiting for new connection...");
    EXPECT_EQ(Record().fileCount, 2);
    EXPECT_EQ(Win().Items(Ids::kFileList).size(), 2u);
}

TEST_F(DisplayStateTest, WaitingEmptiesMatchedListWhenMatchingIsOn) {
    SetNumber("Match Files to Part Number", 1);
    Start();
    GiveFiles(3);
    main->ApplyDisplayState(WaitingForProjector);
    EXPECT_EQ(Record().fileCount, 0);
    EXPECT_TRUE(Win().Items(Ids::kFileList).empty());
    EXPECT_FALSE(Win().Enabled(Ids::kSelectFiles));  // files come from matching only
}

TEST_F(DisplayStateTest, ReadyWithoutFilesLeavesDownloadVerifyAndAdvancedAlone) {
    Start();
    Identify("PN-1");
    EXPECT_EQ(State(), Ready);
    EXPECT_EQ(Buttons(), "1101000");  // Advanced unchanged (disabled), setting off
    EXPECT_NE(Win().Focus(), Ids::kDownload);
    // With the setting off, an enabled Advanced stays enabled too.
    Win().EnableControl(Ids::kAdvanced, true);
    main->ApplyDisplayState(Ready);
    EXPECT_TRUE(Win().Enabled(Ids::kAdvanced));
}

TEST_F(DisplayStateTest, ReadyWithFilesFocusesDownload) {
    SetNumber("Enable Advanced Dialog", 1);
    Start();
    GiveFiles(1);
    Record().downloadRunning = 1;
    Identify("PN-1");
    EXPECT_EQ(Buttons(), "1111110");
    EXPECT_EQ(Win().Focus(), Ids::kDownload);
    EXPECT_EQ(Record().downloadRunning, 0u);
}

TEST_F(DisplayStateTest, FileSelectionSettingOffDisablesSelectFiles) {
    SetNumber("Enable File Selection", 0);
    Start();
    EXPECT_FALSE(Win().Enabled(Ids::kSelectFiles));
    main->ApplyDisplayState(Ready);
    EXPECT_FALSE(Win().Enabled(Ids::kSelectFiles));
}

TEST_F(DisplayStateTest, ClearingNvramShowsInvalidAndKeepsUnchangedCells) {
    Start();
    EnableAll();
    main->ApplyDisplayState(ClearingNvram);
    EXPECT_EQ(Buttons(), "0101001");  // Config, Select Files and Stop unchanged
    DisableAll();
    main->ApplyDisplayState(ClearingNvram);
    EXPECT_EQ(Buttons(), "0000000");
    EXPECT_STREQ(Record().currentPartNumber, "INVALID");
    EXPECT_STREQ(Record().currentSerialNumber, "INVALID");
    EXPECT_EQ(Win().Text(Ids::kPartNumber), "INVALID");
    EXPECT_EQ(Win().Text(Ids::kSerialNumber), "INVALID");
}

TEST_F(DisplayStateTest, ProgrammingIdsOffersNoRequestThatItsCompletionWouldEnd) {
    Start();
    EnableAll();
    Win().EnableControl(Ids::kStop, false);
    Win().SetControlText(Ids::kDownload, "Other");
    Record().downloadRunning = 1;
    main->ApplyDisplayState(ProgrammingIds);
    // Program IDs, Download and Verify off; Config, Advanced, Select Files and
    // Stop as they were.
    EXPECT_EQ(Buttons(), "0111000");
    EXPECT_EQ(Win().Text(Ids::kDownload), "Other");
    EXPECT_EQ(Record().downloadRunning, 1u);
    EXPECT_EQ(State(), ProgrammingIds);
}

TEST_F(DisplayStateTest, DownloadingEnablesAndFocusesOnlyStop) {
    Start();
    EnableAll();
    Win().EnableControl(Ids::kStop, false);
    main->ApplyDisplayState(Downloading);
    EXPECT_EQ(Buttons(), "0000001");
    EXPECT_EQ(Win().Focus(), Ids::kStop);
}

TEST_F(DisplayStateTest, VerifyingKeepsStopAsItWas) {
    Start();
    GiveFiles(1);
    main->ApplyDisplayState(Ready);
    main->ApplyDisplayState(Verifying);
    EXPECT_EQ(Buttons(), "0000000");  // Stop was disabled in Ready
    Win().EnableControl(Ids::kStop, true);
    main->ApplyDisplayState(Verifying);
    EXPECT_TRUE(Win().Enabled(Ids::kStop));
}

TEST_F(DisplayStateTest, FileListGreyOnlyWhileMatching) {
    Start();
    EXPECT_FALSE(Win().ListBrushUsed(Ids::kFileList));
    Record().MatchFilesToPartNumber = 1;
    EXPECT_TRUE(Win().ListBrushUsed(Ids::kFileList));
    EXPECT_FALSE(Win().ListBrushUsed(Ids::kStatus));
}

}  // namespace
}  // namespace corvane::test
