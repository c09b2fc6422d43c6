// Our own profile reader (what Linux uses for .DLD lists) against the
// system's GetPrivateProfileSectionA, case by case: the same file, section
// and buffer size must give the same bytes and the same count.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ProfileSection.h"
#include "platform/portable/ProfileReader.h"
#include "tests/platform/TempFolder.h"

namespace corvane::platform {
namespace {

using namespace std::string_literals;

constexpr char kGuard = '\x7F';

struct Read {
    uint32_t count = 0;
    std::string bytes;  // the whole buffer
};

template <typename Reader>
Read ReadWith(Reader reader, const std::string& file, const char* section, uint32_t size) {
    std::vector<char> buffer(size + 8, kGuard);
    Read read;
    read.count = reader(section, buffer.data(), size, file.c_str());
    for (size_t i = size; i < buffer.size(); ++i) {
        EXPECT_EQ(kGuard, buffer[i]) << "written past the buffer at " << i;
    }
    // Only what the count and its terminators cover is defined.
    const size_t defined = std::min<size_t>(size, read.count + 2);
    read.bytes.assign(buffer.data(), defined);
    return read;
}

struct ProfileCase {
    const char* name;
    std::string content;
    const char* section;
    uint32_t size;
};

class ProfileComparison : public ::testing::Test {
protected:
    void Compare(const ProfileCase& c) {
        SCOPED_TRACE(c.name);
        folder_.Write("list.dld", c.content);
        const std::string file = folder_.File("list.dld");
        const Read system = ReadWith(GetPrivateProfileSection, file, c.section, c.size);
        const Read ours = ReadWith(portable::GetPrivateProfileSection, file, c.section, c.size);
        EXPECT_EQ(system.count, ours.count);
        EXPECT_EQ(system.bytes, ours.bytes);
    }
    test::TempFolder folder_;
};

const std::string kList =
    "[DownloadFiles]\r\n"
    "File1=boot.hex\r\n"
    "File2=main.s19\r\n"
    "\r\n"
    "[NewPartNumber]\r\n"
    "PartNumber=1234-567\r\n";

TEST_F(ProfileComparison, WholeSectionsAndSectionNamesWithoutRegardToCase) {
    Compare({"first", kList, "DownloadFiles", 256});
    Compare({"second", kList, "NewPartNumber", 256});
    Compare({"case", kList, "downloadfiles", 256});
    Compare({"upper", kList, "NEWPARTNUMBER", 256});
    Compare({"missing section", kList, "Other", 256});
    Compare({"empty section", "[Empty]\r\n[Next]\r\na=1\r\n", "Empty", 256});
}

TEST_F(ProfileComparison, SpacingCommentsAndLineEnds) {
    Compare({"spaces", "[S]\r\n  File1 =  boot.hex  \r\n\tFile2\t=\tb.hex\r\n", "S", 256});
    Compare({"spaced header", "[ S ]\r\na=1\r\n", "S", 256});
    Compare({"comment", "[S]\r\n;File0=old.hex\r\nFile1=a.hex\r\n", "S", 256});
    Compare({"no equals", "[S]\r\njust a line\r\nb=2\r\n", "S", 256});
    Compare({"unix ends", "[S]\na=1\nb=2\n", "S", 256});
    Compare({"no final end", "[S]\r\na=1", "S", 256});
    Compare({"blank lines", "[S]\r\n\r\n\r\na=1\r\n\r\nb=2\r\n", "S", 256});
    Compare({"empty value", "[S]\r\na=\r\n=b\r\n", "S", 256});
    Compare({"utf-8 mark", "\xEF\xBB\xBF[S]\r\na=1\r\n", "S", 256});
}

TEST_F(ProfileComparison, TruncationAtEveryBufferSizeAroundTheEntries) {
    // "File1=boot.hex\0File2=main.s19\0\0" is 32 bytes.
    for (uint32_t size = 1; size <= 40; ++size) {
        SCOPED_TRACE(size);
        Compare({"truncated", kList, "DownloadFiles", size});
    }
}

TEST_F(ProfileComparison, AMissingFileReadsAsAnEmptySection) {
    const std::string file = folder_.File("none.dld");
    const Read system = ReadWith(GetPrivateProfileSection, file, "S", 16);
    const Read ours = ReadWith(portable::GetPrivateProfileSection, file, "S", 16);
    EXPECT_EQ(0u, system.count);
    EXPECT_EQ(system.count, ours.count);
    EXPECT_EQ(system.bytes, ours.bytes);
}

}  // namespace
}  // namespace corvane::platform
