#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/portable/AtomicFile.h"
#include "tests/platform/FileSystemCallsDouble.h"
#include "tests/platform/TempFolder.h"

namespace corvane::platform {
namespace {

using test::FileSystemCallsDouble;
using test::TempFolder;

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

TEST(AtomicFile, ReplacesTheContentAndLeavesNoTemporaryFile) {
    TempFolder folder;
    folder.Write("f", "old content");
    FileSystemCallsDouble calls;
    ASSERT_TRUE(ReplaceFileAtomically(folder.File("f"), "new", calls));
    EXPECT_EQ("new", folder.Read("f"));
    EXPECT_EQ(std::vector<std::string>{"f"}, folder.Names());
}

TEST(AtomicFile, ShortAndInterruptedWritesStillWriteEverything) {
    TempFolder folder;
    FileSystemCallsDouble calls;
    calls.chunk = 3;
    calls.interruptions = 2;
    const std::string content(1000, 'x');
    ASSERT_TRUE(ReplaceFileAtomically(folder.File("f"), content, calls));
    EXPECT_EQ(content, folder.Read("f"));
    EXPECT_GE(calls.writeCalls, 336);
}

TEST(AtomicFile, AFailureAtAnyStepLeavesTheOldFileWhole) {
    TempFolder folder;
    const std::string old = "the whole old content";
    const std::string content(5000, 'n');
    for (int step = 0; step < 4; ++step) {
        folder.Write("f", old);
        FileSystemCallsDouble calls;
        switch (step) {
            case 0:
                calls.failWriteAfter = 0;
                break;
            case 1:
                calls.failWriteAfter = 2500;
                break;
            case 2:
                calls.failSync = true;
                break;
            case 3:
                calls.failRename = true;
                break;
        }
        EXPECT_FALSE(ReplaceFileAtomically(folder.File("f"), content, calls)) << step;
        EXPECT_EQ(old, folder.Read("f")) << step;
        EXPECT_EQ(std::vector<std::string>{"f"}, folder.Names())
            << "temporary file left, step " << step;
    }
}

TEST(AtomicFile, KeepsTheModeOfAnExistingFileAndMakesNewOnesPrivate) {
    TempFolder folder;
    FileSystemCallsDouble calls;
    ASSERT_TRUE(ReplaceFileAtomically(folder.File("new"), "a", calls));
    EXPECT_EQ(0600u, ModeOf(folder.File("new")));
    folder.Write("shared", "a");
    chmod(folder.File("shared").c_str(), 0644);
    ASSERT_TRUE(ReplaceFileAtomically(folder.File("shared"), "b", calls));
    EXPECT_EQ(0644u, ModeOf(folder.File("shared")));
}

TEST(AtomicFile, FailsWhenTheFolderIsMissingOrThePathIsAFolder) {
    TempFolder folder;
    FileSystemCallsDouble calls;
    EXPECT_FALSE(ReplaceFileAtomically(folder.File("none/f"), "a", calls));
    std::filesystem::create_directory(folder.File("dir"));
    EXPECT_FALSE(ReplaceFileAtomically(folder.File("dir"), "a", calls));
    EXPECT_EQ(std::vector<std::string>{"dir"}, folder.Names());
}

TEST(AtomicFile, CreatesMissingFoldersButNotThroughAFile) {
    TempFolder folder;
    EXPECT_TRUE(CreateFolders(folder.File("a/b//c/")));
    EXPECT_TRUE(std::filesystem::is_directory(folder.File("a/b/c")));
    EXPECT_TRUE(CreateFolders(folder.File("a/b")));
    folder.Write("file", "x");
    EXPECT_FALSE(CreateFolders(folder.File("file/sub")));
    EXPECT_FALSE(CreateFolders(folder.File("file")));
    EXPECT_FALSE(CreateFolders(""));
}

}  // namespace
}  // namespace corvane::platform
