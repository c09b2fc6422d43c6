// Our own path rules (what Linux uses for download-list entries) next to the
// shell's PathIsRelativeA and PathFindFileNameA, case by case. Where they
// differ on purpose, the case says so and why.
#include <gtest/gtest.h>

#include <string>

#include "platform/Paths.h"
#include "platform/portable/SlashPaths.h"

namespace corvane::platform {
namespace {

struct RelativeCase {
    const char* path;
    bool systemRelative;  // what PathIsRelativeA says
    bool same;            // our rule agrees
};

TEST(PathsComparison, RelativeTestMatchesTheShellExceptForDrivesAndForwardSlashes) {
    const RelativeCase cases[] = {
        {"boot.hex", true, true},
        {"fw\\boot.hex", true, true},
        {"fw/boot.hex", true, true},
        {".\\boot.hex", true, true},
        {"..\\fw\\boot.hex", true, true},
        {"\\fw\\boot.hex", false, true},
        {"\\\\server\\share\\boot.hex", false, true},
        {"", true, true},
        // A drive is Windows' own; Linux has none, so its entry is relative there.
        {"C:\\fw\\boot.hex", false, false},
        {"c:boot.hex", false, false},
        // '/' leads an absolute path on Linux; the shell does not count it.
        {"/home/tech/boot.hex", true, false},
    };
    for (const RelativeCase& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(c.systemRelative, PathIsRelative(c.path));
        EXPECT_EQ(c.same, portable::PathIsRelative(c.path) == PathIsRelative(c.path));
    }
}

struct NameCase {
    const char* path;
    const char* systemName;  // what PathFindFileNameA returns
    bool same;
};

TEST(PathsComparison, FileNameMatchesTheShellExceptAfterATrailingSeparatorOrADrive) {
    const NameCase cases[] = {
        {"boot.hex", "boot.hex", true},
        {"fw\\boot.hex", "boot.hex", true},
        {"fw/boot.hex", "boot.hex", true},
        {"a\\b/c\\boot.hex", "boot.hex", true},
        {"\\boot.hex", "boot.hex", true},
        {"", "", true},
        // The shell names the last folder of "fw\"; a list entry that ends
        // in a separator names no file, so ours gives "".
        {"fw\\", "fw\\", false},
        {"fw/", "fw/", false},
        // "C:boot.hex" is boot.hex on drive C; Linux has no drives.
        {"C:boot.hex", "boot.hex", false},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.path);
        const char* system = PathFindFileName(c.path);
        ASSERT_NE(nullptr, system);
        EXPECT_STREQ(c.systemName, system);
        // Both point into the given text.
        EXPECT_GE(system, c.path);
        EXPECT_EQ(c.same, std::string(portable::PathFindFileName(c.path)) == system);
    }
}

TEST(PathsComparison, NullAndSeparatorsAreSafe) {
    EXPECT_EQ(nullptr, PathFindFileName(nullptr));
    EXPECT_TRUE(PathIsRelative(nullptr));
    EXPECT_EQ('\\', kPathSeparator);
    char entry[] = "fw\\sub/boot.hex";
    NormalizeListSeparators(entry);
    EXPECT_STREQ("fw\\sub/boot.hex", entry) << "the system takes both separators as they are";
    NormalizeListSeparators(nullptr);
}

}  // namespace
}  // namespace corvane::platform
