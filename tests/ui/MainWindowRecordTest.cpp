#include "app/ui/MainWindowRecordOps.h"

#include <gtest/gtest.h>

#include <string>

namespace corvane {
namespace {

void ExpectFresh(const MainWindowRecord& r) {
    EXPECT_STREQ(r.platformId, "UNKNOWN");
    EXPECT_STREQ(r.currentPartNumber, "");
    EXPECT_STREQ(r.currentSerialNumber, "");
    EXPECT_STREQ(r.newPartNumber, "");
    EXPECT_STREQ(r.newSerialNumber, "");
    EXPECT_STREQ(r.fileDirectory, "");
    EXPECT_EQ(r.dldPath, nullptr);
    EXPECT_EQ(r.fileCount, 0);
    EXPECT_EQ(r.currentFileIndex, 0);
    EXPECT_EQ(r.downloadFinished, 1);
    EXPECT_EQ(r.downloadRunning, 0u);
    EXPECT_EQ(r.displayState, WaitingForProjector);
    EXPECT_EQ(r.closing, 0u);
    EXPECT_EQ(r.stopFlag, 0);
    EXPECT_EQ(r.EnableFileSelection, 1u);
    EXPECT_EQ(r.MatchFilesToHardware, 1u);
    EXPECT_EQ(r.MatchFilesToPartNumber, 0u);
    EXPECT_EQ(r.EnableAdvancedDialog, 0u);
    EXPECT_EQ(r.ShowCompletionMessageBox, 0u);
    EXPECT_EQ(r.VerifyDownloads, 0u);
}

TEST(MainWindowRecord, FreshRecordHoldsTheStartValues) {
    MainWindowRecord record;
    ExpectFresh(record);
}

TEST(MainWindowRecord, ResetRestoresStartValuesAndFreesDldPath) {
    MainWindowRecord record;
    SetPlatformId(record, "PJX2000-A1");
    SetCurrentPartNumber(record, "1002-3456-01");
    SetCurrentSerialNumber(record, "A10000012345");
    SetNewPartNumber(record, "9");
    SetNewSerialNumber(record, "8");
    SetDldPath(record, CopyText("/dld/"));
    ASSERT_TRUE(SetFilePath(record, 0, "/fw/boot.hex"));
    record.fileCount = 1;
    record.currentFileIndex = 1;
    record.downloadFinished = 0;
    record.downloadRunning = 1;
    record.displayState = Downloading;
    record.closing = 1;
    record.stopFlag = 1;
    record.VerifyDownloads = 1;
    record.EnableFileSelection = 0;

    ResetMainWindowRecord(record);  // the old dldPath would leak under ASan if not freed

    ExpectFresh(record);
    EXPECT_STREQ(record.filePaths[0], "");
}

TEST(MainWindowRecord, PlatformIdIsCutToTenCharactersAndLeavesNoStaleBytes) {
    MainWindowRecord record;
    SetPlatformId(record, "PJX2000-A1-EXTRA");
    EXPECT_STREQ(record.platformId, "PJX2000-A1");
    SetPlatformId(record, "0123456789");
    EXPECT_STREQ(record.platformId, "0123456789");
    SetPlatformId(record, "XY");
    for (int i = 2; i <= kPlatformIdChars; ++i) {
        EXPECT_EQ(record.platformId[i], '\0') << i;
    }
    SetPlatformId(record, "");
    EXPECT_STREQ(record.platformId, "");
    SetPlatformId(record, nullptr);
    EXPECT_STREQ(record.platformId, "");
}

TEST(MainWindowRecord, IdentityNumbersKeepTheirLimits) {
    MainWindowRecord record;
    const std::string longText(40, '7');
    SetCurrentPartNumber(record, longText.c_str());
    SetNewPartNumber(record, longText.c_str());
    SetCurrentSerialNumber(record, longText.c_str());
    SetNewSerialNumber(record, longText.c_str());
    EXPECT_EQ(std::string(record.currentPartNumber), std::string(14, '7'));
    EXPECT_EQ(std::string(record.newPartNumber), std::string(14, '7'));
    EXPECT_EQ(std::string(record.currentSerialNumber), std::string(12, '7'));
    EXPECT_EQ(std::string(record.newSerialNumber), std::string(12, '7'));
    // The neighbouring fields are untouched by a cut copy.
    EXPECT_STREQ(record.platformId, "UNKNOWN");
    EXPECT_EQ(record.downloadRunning, 0u);
}

TEST(MainWindowRecord, FilePathIsTakenWholeOrNotAtAll) {
    MainWindowRecord record;
    const std::string fits(kPathChars, 'f');
    const std::string tooLong(kPathChars + 1, 'g');
    EXPECT_TRUE(SetFilePath(record, 7, fits.c_str()));
    EXPECT_EQ(std::string(record.filePaths[7]), fits);
    EXPECT_FALSE(SetFilePath(record, 7, tooLong.c_str()));
    EXPECT_EQ(std::string(record.filePaths[7]), fits);
    EXPECT_FALSE(SetFilePath(record, 8, "x"));
    EXPECT_FALSE(SetFilePath(record, -1, "x"));
    EXPECT_FALSE(SetFilePath(record, 0, nullptr));
    EXPECT_EQ(record.fileCount, 0);
}

TEST(MainWindowRecord, DldPathIsOwnedOnce) {
    MainWindowRecord record;
    SetDldPath(record, CopyText("/first/"));
    SetDldPath(record, CopyText("/second/"));  // frees the first
    EXPECT_STREQ(record.dldPath, "/second/");
    FreeDldPath(record);
    EXPECT_EQ(record.dldPath, nullptr);
    FreeDldPath(record);  // twice is harmless
}

TEST(OwnedText, CopyIsExactAndPassesThroughAMessageParameter) {
    OwnedText text = CopyText("Connected");
    const char* address = text.get();
    const platform::LParam param = ReleaseTextToParam(std::move(text));
    EXPECT_EQ(text, nullptr);
    OwnedText back = TakePostedText(param);
    EXPECT_EQ(back.get(), address);
    EXPECT_STREQ(back.get(), "Connected");
    EXPECT_STREQ(CopyText(nullptr).get(), "");
}

}  // namespace
}  // namespace corvane
