// The Select Files button: the open-file dialog's result taken into the file
// list, a chosen download list, and the Download and Verify buttons.
#include <string>

#include "app/files/FileSelection.h"
#include "app/ui/MainWindowRecordOps.h"
#include "tests/platform/TempFolder.h"
#include "tests/ui/MainWindowFixture.h"

namespace corvane::test {
namespace {

class FileSelectionTest : public MainWindowFixture {
protected:
    void SetUp() override { Start(); }
    void Ready() { Identify("PN-1"); }
    std::vector<std::string> Paths() {
        std::vector<std::string> paths;
        for (int i = 0; i < Record().fileCount; ++i) {
            paths.push_back(Record().filePaths[i]);
        }
        return paths;
    }
    bool DownloadAndVerify() {
        EXPECT_EQ(Win().Enabled(Ids::kDownload), Win().Enabled(Ids::kVerify));
        return Win().Enabled(Ids::kDownload);
    }
    platform::test::TempFolder folder;
};

TEST_F(FileSelectionTest, ThreeFilesFillTheListAndRememberTheFolder) {
    SetSettingText("File Directory", "/previous/");
    Ready();
    windows.AnswerFiles("/fw", {"a.hex", "b.mot", "c.spl"});
    ASSERT_TRUE(Win().Click(Ids::kSelectFiles));
    ASSERT_EQ(windows.FileRequests().size(), 1u);
    const FileRequestRecord& request = windows.FileRequests()[0];
    EXPECT_EQ(request.filter,
              "Standard QVS Files|*.bt; *.mot; *.spl; *.sys; *.hex; *.dld|All Files (*.*)|*.*||");
    EXPECT_EQ(request.initialFolder, "/previous/");
    EXPECT_EQ(request.flags, 0x00281204u);
    EXPECT_EQ(request.bufferSize, 1024u);
    EXPECT_STREQ(Record().fileDirectory, "/fw/");
    EXPECT_EQ(settings.Text("File Directory"), "/fw/");
    EXPECT_EQ(Paths(), (std::vector<std::string>{"/fw/a.hex", "/fw/b.mot", "/fw/c.spl"}));
    EXPECT_EQ(Win().Items(Ids::kFileList), (std::vector<std::string>{"a.hex", "b.mot", "c.spl"}));
    EXPECT_TRUE(DownloadAndVerify());
}

TEST_F(FileSelectionTest, OneFileInTheRootFolder) {
    windows.AnswerFiles("/a.hex");
    Win().Click(Ids::kSelectFiles);
    EXPECT_STREQ(Record().fileDirectory, "/");
    EXPECT_EQ(Paths(), (std::vector<std::string>{"/a.hex"}));
    EXPECT_EQ(Win().Items(Ids::kFileList), (std::vector<std::string>{"a.hex"}));
}

TEST_F(FileSelectionTest, TenFilesGiveTheFirstEight) {
    std::vector<std::string> names;
    for (int i = 0; i < 10; ++i) {
        names.push_back("f" + std::to_string(i) + ".hex");
    }
    windows.AnswerFiles("/fw", names);
    Win().Click(Ids::kSelectFiles);
    ASSERT_EQ(Record().fileCount, 8);
    EXPECT_EQ(Paths().back(), "/fw/f7.hex");
    EXPECT_EQ(Win().Items(Ids::kFileList).size(), 8u);
}

TEST_F(FileSelectionTest, AChosenListReplacesTheSelectionWhateverItsCase) {
    folder.Write("list.dld", "[DownloadFiles]\nFile=\"boot.hex\"\nFile=\"main.hex\"\n");
    folder.Write("other.DLD", "[DownloadFiles]\nFile=\"other.hex\"\n");
    Ready();
    windows.AnswerFiles(folder.Path(), {"x.hex", "list.dld", "other.DLD"});
    Win().Click(Ids::kSelectFiles);
    const std::string base = folder.Path() + "/";
    EXPECT_EQ(Paths(), (std::vector<std::string>{base + "boot.hex", base + "main.hex"}));
    EXPECT_EQ(Win().Items(Ids::kFileList), (std::vector<std::string>{"boot.hex", "main.hex"}));
    EXPECT_TRUE(DownloadAndVerify());
}

TEST_F(FileSelectionTest, AnUnreadableChosenListLeavesNothingBehind) {
    folder.Write("bad.dld", "[Nothing]\n");
    Ready();
    windows.AnswerFiles(folder.Path(), {"a.hex", "bad.dld"});
    Win().Click(Ids::kSelectFiles);
    ASSERT_EQ(windows.MessageBoxes().size(), 1u);
    EXPECT_EQ(windows.MessageBoxes()[0].text, "Can't open .DLD file:\n" + folder.File("bad.dld"));
    EXPECT_EQ(Record().fileCount, 0);
    EXPECT_TRUE(Win().Items(Ids::kFileList).empty());
    EXPECT_FALSE(DownloadAndVerify());
}

TEST_F(FileSelectionTest, WaitingForProjectorLeavesDownloadAndVerifyDisabled) {
    windows.AnswerFiles("/fw", {"a.hex", "b.hex"});
    Win().Click(Ids::kSelectFiles);
    EXPECT_EQ(Record().fileCount, 2);
    EXPECT_FALSE(DownloadAndVerify());
}

TEST_F(FileSelectionTest, CancelOnlySetsTheButtons) {
    GiveFiles(2);
    Ready();
    Win().EnableControl(Ids::kDownload, false);
    windows.CancelFiles();
    Win().Click(Ids::kSelectFiles);
    EXPECT_EQ(Record().fileCount, 2);
    EXPECT_EQ(Win().Items(Ids::kFileList).size(), 2u);
    EXPECT_TRUE(DownloadAndVerify());
    EXPECT_FALSE(settings.Text("File Directory").has_value());
}

TEST_F(FileSelectionTest, AJoinedPathOverTheSlotRefusesTheSelection) {
    const std::string folder250 = "/" + std::string(249, 'd');
    windows.AnswerFiles(folder250, {"ok.hex", "abcdefghi.hex"});  // 251 + 13 > 259
    Win().Click(Ids::kSelectFiles);
    ASSERT_EQ(windows.MessageBoxes().size(), 1u);
    EXPECT_EQ(windows.MessageBoxes()[0].text, "Path too long:\n" + folder250 + "/abcdefghi.hex");
    EXPECT_EQ(Record().fileCount, 0);
    EXPECT_TRUE(Win().Items(Ids::kFileList).empty());
}

TEST_F(FileSelectionTest, AFolderOverTheLimitIsRefusedNotCut) {
    const std::string folder259 = "/" + std::string(258, 'd');
    windows.AnswerFiles(folder259, {"a.hex", "b.hex"});
    Win().Click(Ids::kSelectFiles);
    ASSERT_EQ(windows.MessageBoxes().size(), 1u);
    EXPECT_EQ(windows.MessageBoxes()[0].text, "Path too long:\n" + folder259);
    EXPECT_STREQ(Record().fileDirectory, "");
    EXPECT_FALSE(settings.Text("File Directory").has_value());
    EXPECT_EQ(Record().fileCount, 0);
}

TEST_F(FileSelectionTest, PathsUpTo259CharactersFit) {
    const std::string folder257 = "/" + std::string(256, 'd');
    windows.AnswerFiles(folder257 + "/a");
    Win().Click(Ids::kSelectFiles);
    EXPECT_TRUE(windows.MessageBoxes().empty());
    EXPECT_EQ(Paths(), (std::vector<std::string>{folder257 + "/a"}));

    // A folder of 258 is kept, but no name fits behind it.
    const std::string folder258 = folder257 + "e";
    windows.AnswerFiles(folder258 + "/a");
    Win().Click(Ids::kSelectFiles);
    EXPECT_EQ(settings.Text("File Directory"), folder258 + "/");
    ASSERT_EQ(windows.MessageBoxes().size(), 1u);
    EXPECT_EQ(windows.MessageBoxes()[0].text, "Path too long:\n" + folder258 + "/a");
    EXPECT_EQ(Record().fileCount, 0);
}

TEST_F(FileSelectionTest, AMalformedResultBufferChoosesNothing) {
    GiveFiles(1);
    windows.AnswerFilesRaw({{'/', 'a'}, 0});                    // no name offset, no terminator
    windows.AnswerFilesRaw({{'/', 'a', 0}, 9});                 // offset past the end
    windows.AnswerFilesRaw({{'/', 'f', 0, 'x', '.', 'h'}, 3});  // unterminated name
    for (int i = 0; i < 3; ++i) {
        Win().Click(Ids::kSelectFiles);
        EXPECT_EQ(Record().fileCount, 0);
    }
}

TEST_F(FileSelectionTest, ConfigDialogSelectionRefillsItsList) {
    windows.AnswerFiles("/fw", {"b.hex", "a.hex"});
    std::vector<std::string> listed;
    windows.ScriptModal(kConfigTemplateId, [&](RecordingWindow& config) {
        config.Click(ConfigDialogIds::kSelectFiles);
        listed = config.Items(ConfigDialogIds::kFileList);
    });
    Win().Click(Ids::kConfig);
    EXPECT_EQ(Win().Items(Ids::kFileList), (std::vector<std::string>{"b.hex", "a.hex"}));
    EXPECT_EQ(listed, (std::vector<std::string>{"a.hex", "b.hex"}));
}

}  // namespace
}  // namespace corvane::test
