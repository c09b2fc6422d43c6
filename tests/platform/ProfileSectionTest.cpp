#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ProfileSection.h"
#include "tests/platform/TempFolder.h"

namespace corvane::platform {
namespace {

using test::TempFolder;

constexpr char kGuard = '\x7F';

class ProfileSection : public ::testing::Test {
protected:
    // Reads a section of a file with `content` into a buffer of `size` bytes
    // followed by guard bytes; returns what the buffer holds afterwards.
    std::string Read(const std::string& content, const char* section, uint32_t size) {
        folder_.Write("list.dld", content);
        return ReadFile(folder_.File("list.dld").c_str(), section, size);
    }
    std::string ReadFile(const char* file, const char* section, uint32_t size) {
        std::vector<char> buffer(size + 8, kGuard);
        result_ = GetPrivateProfileSection(section, buffer.data(), size, file);
        for (size_t i = size; i < buffer.size(); ++i) {
            EXPECT_EQ(kGuard, buffer[i]) << "written past the buffer at " << i;
        }
        return std::string(buffer.data(), size);
    }
    // The entries of a section in a roomy buffer, up to the double NUL.
    std::string Entries(const std::string& content, const char* section) {
        std::string buffer = Read(content, section, 4096);
        return buffer.substr(0, result_);
    }

    TempFolder folder_;
    uint32_t result_ = 0;
};

using namespace std::string_literals;

TEST_F(ProfileSection, ReturnsTheSectionsLinesAsNulTerminatedStrings) {
    const std::string file =
        "[DownloadFiles]\r\nFile=\"boot.hex\"\r\nFile=\"main.hex\"\r\n[NewPartNumber]\r\nPN="
        "\"1\"\r\n";
    const std::string buffer = Read(file, "DownloadFiles", 100);
    EXPECT_EQ("File=\"boot.hex\"\0File=\"main.hex\"\0\0"s, buffer.substr(0, 33));
    EXPECT_EQ(32u, result_);
}

TEST_F(ProfileSection, SectionNamesMatchWithoutRegardToCaseAndAreTrimmed) {
    EXPECT_EQ("a=1\0"s, Entries("[downloadFILES]\na=1\n", "DownloadFiles"));
    EXPECT_EQ("a=1\0"s, Entries("  [ \tDownloadFiles  ] comment\na=1\n", "DownloadFiles"));
    EXPECT_EQ("a=1\0"s, Entries("[DownloadFiles\na=1\n", "DownloadFiles"))
        << "a header without ']' still names a section";
    EXPECT_EQ("a=1\0"s, Entries("[Download]Files]\na=1\n", "Download"))
        << "the name ends at the first ']'";
}

TEST_F(ProfileSection, OnlyTheFirstSectionOfAGivenNameIsRead) {
    EXPECT_EQ("a=1\0"s, Entries("[S]\na=1\n[T]\nb=2\n[s]\nc=3\n", "S"));
    EXPECT_EQ("b=2\0"s, Entries("[S]\na=1\n[T]\nb=2\n[s]\nc=3\n", "T"));
}

TEST_F(ProfileSection, LinesBeforeTheFirstHeaderBelongToNoSection) {
    EXPECT_EQ("b=2\0"s, Entries("a=1\n[S]\nb=2\n", "S"));
}

TEST_F(ProfileSection, LinesAreTrimmedAndBlankLinesDropped) {
    EXPECT_EQ("a=1\0b c\0"s, Entries("[S]\n  \t a=1 \v\f\n\n   \t\n\tb c  \n", "S"));
}

TEST_F(ProfileSection, LinesEndAtAnyRunOfCarriageReturnsAndLineFeeds) {
    EXPECT_EQ("a=1\0b=2\0c=3\0d=4\0"s, Entries("[S]\ra=1\r\nb=2\n\rc=3\r\r\n\nd=4", "S"));
}

TEST_F(ProfileSection, SemicolonLinesAreCommentsButHashLinesAreNot) {
    EXPECT_EQ("#File=\"x\"\0a=1;b\0"s,
              Entries("[S]\n;File=\"y\"\n  ; c\n#File=\"x\"\na=1;b\n", "S"));
}

TEST_F(ProfileSection, KeyLinesAreRebuiltWithoutSpaceAroundTheFirstEquals) {
    EXPECT_EQ("File=\"boot.hex\"\0a=b = c\0=v\0k=\0"s,
              Entries("[S]\nFile = \"boot.hex\"\na \t= b = c\n= v\nk =\n", "S"));
}

TEST_F(ProfileSection, VeryLongLinesComeBackWhole) {
    const std::string value(10000, 'x');
    const std::string buffer = Read("[S]\nFile=\"" + value + "\"\n", "S", 20000);
    EXPECT_EQ("File=\"" + value + "\"", std::string(buffer.c_str()));
    EXPECT_EQ(10008u, result_);
}

TEST_F(ProfileSection, AByteOrderMarkDoesNotHideTheFirstHeader) {
    EXPECT_EQ("a=1\0"s, Entries("\xEF\xBB\xBF[S]\na=1\n", "S"));
    EXPECT_EQ("a=1\0"s, Entries("\xFF\xFE[\0S\0]\0\n\0a\0=\0001\0"s, "S"));
}

TEST_F(ProfileSection, ANulByteEndsItsLine) {
    EXPECT_EQ("a=1\0b=2\0"s, Entries("[S]\na=1\0junk\nb=2\n"s, "S"));
}

TEST_F(ProfileSection, MissingFileSectionOrEntriesGiveTwoNulsAndZero) {
    const std::string missing = folder_.File("none.dld");
    EXPECT_EQ("\0\0"s, ReadFile(missing.c_str(), "S", 2));
    EXPECT_EQ(0u, result_);
    EXPECT_EQ("\0\0"s, Read("[T]\na=1\n", "S", 10).substr(0, 2));
    EXPECT_EQ(0u, result_);
    EXPECT_EQ("\0\0"s, Read("[S]\n; only a comment\n\n[T]\na=1\n", "S", 10).substr(0, 2));
    EXPECT_EQ(0u, result_);
    EXPECT_EQ("\0\0"s, ReadFile(folder_.Path().c_str(), "S", 2)) << "a folder is no file";
    EXPECT_EQ(0u, result_);
}

// "a=1\0bb=22\0\0": T = 11 characters with the final NUL.
const std::string kTwoEntries = "[S]\na=1\nbb=22\n";

TEST_F(ProfileSection, EverythingFitsWhenTheTotalIsBelowTheSize) {
    EXPECT_EQ("a=1\0bb=22\0\0"s, Read(kTwoEntries, "S", 12).substr(0, 11));
    EXPECT_EQ(10u, result_);
}

TEST_F(ProfileSection, ATotalEqualToTheSizeIsTruncatedByOne) {
    EXPECT_EQ("a=1\0bb=22\0\0"s, Read(kTwoEntries, "S", 11));
    EXPECT_EQ(9u, result_);
}

TEST_F(ProfileSection, TruncationKeepsSizeMinusTwoCharactersAndTwoNuls) {
    EXPECT_EQ("a=1\0bb=\0\0"s, Read(kTwoEntries, "S", 9));
    EXPECT_EQ(7u, result_);
    EXPECT_EQ("a=1\0\0\0"s, Read(kTwoEntries, "S", 6));
    EXPECT_EQ(4u, result_);
}

TEST_F(ProfileSection, APartNumberLineFitsA25ByteBufferUpTo18Characters) {
    EXPECT_EQ("PN=\"123456789012345678\"\0\0"s,
              Read("[NewPartNumber]\nPN=\"123456789012345678\"\n", "NewPartNumber", 25));
    EXPECT_EQ(23u, result_);
    EXPECT_EQ("PN=\"1234567890123456789\0\0"s,
              Read("[NewPartNumber]\nPN=\"1234567890123456789\"\n", "NewPartNumber", 25))
        << "the closing quote is cut off";
    EXPECT_EQ(23u, result_);
}

TEST_F(ProfileSection, TinyBuffers) {
    EXPECT_EQ("\0\0"s, Read(kTwoEntries, "S", 2));
    EXPECT_EQ(0u, result_);
    EXPECT_EQ("\0"s, Read(kTwoEntries, "S", 1));
    EXPECT_EQ(0u, result_);
    EXPECT_EQ("", Read(kTwoEntries, "S", 0));
    EXPECT_EQ(0u, result_);
}

TEST_F(ProfileSection, NullArgumentsReadNothing) {
    folder_.Write("list.dld", kTwoEntries);
    EXPECT_EQ("\0\0"s, ReadFile(nullptr, "S", 4).substr(0, 2));
    EXPECT_EQ("\0\0"s, ReadFile(folder_.File("list.dld").c_str(), nullptr, 4).substr(0, 2));
    EXPECT_EQ(0u, GetPrivateProfileSection("S", nullptr, 100, folder_.File("list.dld").c_str()));
}

}  // namespace
}  // namespace corvane::platform
