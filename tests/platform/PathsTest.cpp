#include <gtest/gtest.h>

#include <string>

#include "platform/Paths.h"

namespace corvane::platform {
namespace {

TEST(Paths, AbsoluteOnlyWithALeadingSeparator) {
    EXPECT_FALSE(PathIsRelative("/home/tech/fw/boot.hex"));
    EXPECT_FALSE(PathIsRelative("\\fw\\boot.hex"));
    EXPECT_TRUE(PathIsRelative("fw/boot.hex"));
    EXPECT_TRUE(PathIsRelative("fw\\boot.hex"));
    EXPECT_TRUE(PathIsRelative("boot.hex"));
    EXPECT_TRUE(PathIsRelative(""));
    EXPECT_TRUE(PathIsRelative(nullptr));
}

TEST(Paths, FileNameIsTheTextAfterTheLastSeparatorOfEitherKind) {
    const char* path = "/home/tech\\fw/boot.hex";
    EXPECT_EQ(path + 14, PathFindFileName(path));
    EXPECT_STREQ("boot.hex", PathFindFileName("fw\\sub\\boot.hex"));
    EXPECT_STREQ("boot.hex", PathFindFileName("a/b\\boot.hex"));
    const char* bare = "boot.hex";
    EXPECT_EQ(bare, PathFindFileName(bare));
    EXPECT_STREQ("", PathFindFileName("fw/"));
    EXPECT_STREQ("", PathFindFileName(""));
    EXPECT_EQ(nullptr, PathFindFileName(nullptr));
}

TEST(Paths, ListSeparatorsBecomeSlashes) {
    char entry[] = "fw\\v2\\boot.hex";
    NormalizeListSeparators(entry);
    EXPECT_STREQ("fw/v2/boot.hex", entry);
    char unchanged[] = "fw/boot.hex";
    NormalizeListSeparators(unchanged);
    EXPECT_STREQ("fw/boot.hex", unchanged);
    NormalizeListSeparators(nullptr);
}

}  // namespace
}  // namespace corvane::platform
