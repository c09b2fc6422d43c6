// Download lists read by hand and matched to the projector's part number.
#include <string>

#include "app/files/DownloadList.h"
#include "app/ui/MainWindowRecordOps.h"
#include "tests/platform/TempFolder.h"
#include "tests/ui/MainWindowFixture.h"

namespace corvane::test {
namespace {

class DownloadListTest : public MainWindowFixture {
protected:
    void SetUp() override {
        Start();
        base = folder.Path() + "/";
        CopyBounded(Record().fileDirectory, kPathChars, base.c_str());
    }
    int Load(const std::string& name) {
        FileListTarget target{Record(), Win()};
        return LoadDownloadList(target, folder.File(name).c_str());
    }
    int Match() {
        FileListTarget target{Record(), Win()};
        return MatchDownloadListToPartNumber(target);
    }
    void UseMatching() {
        Record().MatchFilesToPartNumber = 1;
        SetDldPath(Record(), CopyText(base.c_str()));
    }
    std::vector<std::string> Paths() {
        std::vector<std::string> paths;
        for (int i = 0; i < Record().fileCount; ++i) {
            paths.push_back(Record().filePaths[i]);
        }
        return paths;
    }
    std::vector<std::string> Boxes() {
        std::vector<std::string> texts;
        for (const auto& box : windows.MessageBoxes()) {
            EXPECT_EQ(box.caption, "Corvane");
            EXPECT_EQ(box.icon, MessageBoxIcon::Error);
            texts.push_back(box.text);
        }
        return texts;
    }

    platform::test::TempFolder folder;
    std::string base;
};

TEST_F(DownloadListTest, RelativeEntriesJoinTheFileDirectoryAbsoluteOnesStay) {
    folder.Write(
        "a.dld",
        "[DownloadFiles]\nFile=\"boot.hex\"\nFile=\"/img/main.hex\"\nFile=\"fw\\sub\\x.mot\"\n");
    EXPECT_EQ(Load("a.dld"), 1);
    EXPECT_EQ(Paths(), (std::vector<std::string>{base + "boot.hex", "/img/main.hex",
                                                 base + "fw/sub/x.mot"}));
    EXPECT_EQ(Win().Items(Ids::kFileList),
              (std::vector<std::string>{"boot.hex", "main.hex", "x.mot"}));
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(DownloadListTest, OnlyCaseSensitiveFileEntriesWithBothQuotesCount) {
    folder.Write("a.dld",
                 "[downloadfiles]\n"
                 "File=\"open.hex\n"
                 "file=\"lower.hex\"\n"
                 "Other=\"x.hex\"\n"
                 "MyFile=\"my.hex\" trailing text\n"
                 "Name=x File=\"later.hex\"\n");
    EXPECT_EQ(Load("a.dld"), 1);
    EXPECT_EQ(Paths(), (std::vector<std::string>{base + "my.hex", base + "later.hex"}));
}

TEST_F(DownloadListTest, AtMostEightFilesInListOrder) {
    std::string text = "[DownloadFiles]\n";
    for (int i = 0; i < 10; ++i) {
        text += "File=\"f" + std::to_string(i) + ".hex\"\n";
    }
    folder.Write("a.dld", text);
    EXPECT_EQ(Load("a.dld"), 1);
    ASSERT_EQ(Record().fileCount, 8);
    EXPECT_EQ(Paths().back(), base + "f7.hex");
    EXPECT_EQ(Win().Items(Ids::kFileList).front(), "f0.hex");
    EXPECT_EQ(Win().Items(Ids::kFileList).size(), 8u);
}

TEST_F(DownloadListTest, EntriesBeyondTheSectionBufferAreNotSeen) {
    folder.Write("a.dld", "[DownloadFiles]\nFile=\"a.hex\"\nx=" + std::string(1100, 'y') +
                              "\nFile=\"late.hex\"\n");
    EXPECT_EQ(Load("a.dld"), 1);
    EXPECT_EQ(Paths(), (std::vector<std::string>{base + "a.hex"}));
}

TEST_F(DownloadListTest, ASectionWithoutUsableEntriesGivesAnEmptyList) {
    GiveFiles(2);
    folder.Write("a.dld", "[DownloadFiles]\nComment=\"none\"\n");
    EXPECT_EQ(Load("a.dld"), 1);
    EXPECT_EQ(Record().fileCount, 0);
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(DownloadListTest, AMissingOrSectionlessListEmptiesTheWholeFileList) {
    folder.Write("other.dld", "[Other]\nFile=\"a.hex\"\n[DownloadFiles]\n");
    for (const char* name : {"missing.dld", "other.dld"}) {
        SCOPED_TRACE(name);
        GiveFiles(3);
        windows.ClearMessageBoxes();
        EXPECT_EQ(Load(name), 0);
        EXPECT_EQ(Boxes(),
                  (std::vector<std::string>{"Can't open .DLD file:\n" + folder.File(name)}));
        EXPECT_EQ(Record().fileCount, 0);
        EXPECT_STREQ(Record().filePaths[0], "");
        EXPECT_TRUE(Win().Items(Ids::kFileList).empty());
    }
}

TEST_F(DownloadListTest, AJoinedPathOverTheSlotRefusesTheWholeList) {
    const std::string name = std::string(259 - base.size(), 'n');  // exactly fits
    folder.Write("ok.dld", "[DownloadFiles]\nFile=\"" + name + "\"\n");
    EXPECT_EQ(Load("ok.dld"), 1);
    EXPECT_EQ(Paths(), (std::vector<std::string>{base + name}));

    folder.Write("long.dld", "[DownloadFiles]\nFile=\"a.hex\"\nFile=\"" + name + "x\"\n");
    EXPECT_EQ(Load("long.dld"), 0);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Path too long:\n" + base + name + "x"}));
    EXPECT_EQ(Record().fileCount, 0);
    EXPECT_TRUE(Win().Items(Ids::kFileList).empty());
}

TEST_F(DownloadListTest, MatchingUsesTheDldPathAsBase) {
    UseMatching();
    CopyBounded(Record().fileDirectory, kPathChars, "/elsewhere/");
    SetCurrentPartNumber(Record(), "PN-1");
    folder.Write("PN-1.DLD", "[DownloadFiles]\nFile=\"boot.hex\"\n");
    EXPECT_EQ(Match(), 0);
    EXPECT_EQ(Paths(), (std::vector<std::string>{base + "boot.hex"}));
}

TEST_F(DownloadListTest, NoMatchForAnEmptyOrInvalidPartNumber) {
    UseMatching();
    GiveFiles(2);
    EXPECT_EQ(Match(), 0);
    SetCurrentPartNumber(Record(), "INVALID");
    folder.Write("INVALID.DLD", "[DownloadFiles]\nFile=\"boot.hex\"\n");
    EXPECT_EQ(Match(), 0);
    EXPECT_EQ(Record().fileCount, 2);
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(DownloadListTest, ALongPartNumberNamesItsListByElevenCharacters) {
    UseMatching();
    SetCurrentPartNumber(Record(), "ABCDEFGHIJKLMN");
    folder.Write("ABCDEFGHIJK.DLD", "[DownloadFiles]\nFile=\"boot.hex\"\n");
    EXPECT_EQ(Match(), 0);
    EXPECT_EQ(Record().fileCount, 1);
}

TEST_F(DownloadListTest, AMissingMatchedListIsReportedAndEmptiesTheList) {
    UseMatching();
    GiveFiles(2);
    SetCurrentPartNumber(Record(), "PN-9");
    EXPECT_EQ(Match(), 0);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Can't open .DLD file:\n" + base + "PN-9.DLD"}));
    EXPECT_EQ(Record().fileCount, 0);
    EXPECT_TRUE(Win().Items(Ids::kFileList).empty());
}

TEST_F(DownloadListTest, AMatchedNameOverTheLimitIsReported) {
    const std::string deep = base + std::string(250 - base.size(), 'd') + "/";
    Record().MatchFilesToPartNumber = 1;
    SetDldPath(Record(), CopyText(deep.c_str()));
    SetCurrentPartNumber(Record(), "PN-1234");
    GiveFiles(1);
    EXPECT_EQ(Match(), 0);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Path too long:\n" + deep + "PN-1234.DLD"}));
    EXPECT_EQ(Record().fileCount, 0);
}

TEST_F(DownloadListTest, ANewPartNumberTakesPrecedenceOverTheFiles) {
    UseMatching();
    GiveFiles(2);
    SetCurrentPartNumber(Record(), "OLD");
    folder.Write("OLD.DLD",
                 "[DownloadFiles]\nFile=\"boot.hex\"\n[NewPartNumber]\nPN=\"NEW-123456789012\"\n");
    EXPECT_EQ(Match(), 1);
    EXPECT_EQ(Win().Text(Ids::kNewPartNumber), "NEW-123456789012");
    EXPECT_EQ(Record().fileCount, 2);  // untouched
    EXPECT_EQ(Win().Items(Ids::kFileList).size(), 2u);
    platform::Message posted;
    ASSERT_TRUE(queue.Take(posted, 0));
    EXPECT_EQ(posted.message, WM_COMMAND);
    EXPECT_EQ(posted.wParam, static_cast<platform::WParam>(Ids::kProgramIds));
}

TEST_F(DownloadListTest, APartNumberIsSeenOnlyWhenItsLineFitsTwentyFiveBytes) {
    UseMatching();
    SetCurrentPartNumber(Record(), "OLD");
    folder.Write("OLD.DLD", "[NewPartNumber]\nPN=\"" + std::string(18, '8') +
                                "\"\n[DownloadFiles]\nFile=\"a.hex\"\n");
    EXPECT_EQ(Match(), 1);
    EXPECT_EQ(Win().Text(Ids::kNewPartNumber), std::string(18, '8'));
    folder.Write("OLD.DLD", "[NewPartNumber]\nPN=\"" + std::string(19, '9') +
                                "\"\n[DownloadFiles]\nFile=\"a.hex\"\n");
    EXPECT_EQ(Match(), 0);
    EXPECT_EQ(Paths(), (std::vector<std::string>{base + "a.hex"}));
}

TEST_F(DownloadListTest, ANewPartNumberSectionNotStartingWithPnLoadsTheFiles) {
    UseMatching();
    SetCurrentPartNumber(Record(), "OLD");
    folder.Write("OLD.DLD",
                 "[NewPartNumber]\nNote=\"x\"\nPN=\"NEW\"\n[DownloadFiles]\nFile=\"a.hex\"\n");
    EXPECT_EQ(Match(), 0);
    EXPECT_EQ(Paths(), (std::vector<std::string>{base + "a.hex"}));
    EXPECT_EQ(Win().Text(Ids::kNewPartNumber), "");
}

}  // namespace
}  // namespace corvane::test
