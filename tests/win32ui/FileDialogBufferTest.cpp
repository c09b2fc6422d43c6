// The open-file dialog's filter and result buffer on Windows.
#include <gtest/gtest.h>

#include <string>

#include "app/ui/win32/FileDialogBuffer.h"

namespace corvane::win32 {
namespace {

std::string AsString(const std::vector<char>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(FileDialogBuffer, FilterSeparatorsBecomeNuls) {
    const std::string expected("Hex Files\0*.hex; *.s19\0All Files (*.*)\0*.*\0\0\0\0", 46);
    EXPECT_EQ(AsString(ToWindowsFilter("Hex Files|*.hex; *.s19|All Files (*.*)|*.*||")), expected);
}

TEST(FileDialogBuffer, FilterAlwaysEndsInTwoNuls) {
    EXPECT_EQ(AsString(ToWindowsFilter("A|*.a")), std::string("A\0*.a\0\0", 7));
    EXPECT_EQ(AsString(ToWindowsFilter("")), std::string("\0\0", 2));
    EXPECT_EQ(AsString(ToWindowsFilter(nullptr)), std::string("\0\0", 2));
}

TEST(FileDialogBuffer, OneFileIsItsFullPath) {
    const std::string filled("C:\\fw\\boot.hex\0\0\0\0", 18);
    const auto result = ReadOpenFileBuffer(filled.data(), filled.size(), 6);
    ASSERT_TRUE(result);
    EXPECT_EQ(AsString(result->buffer), std::string("C:\\fw\\boot.hex\0", 15));
    EXPECT_EQ(result->fileOffset, 6u);
}

TEST(FileDialogBuffer, SeveralFilesAreFolderAndNames) {
    const std::string filled("C:\\fw\0a.hex\0b.s19\0\0\0\0", 21);
    const auto result = ReadOpenFileBuffer(filled.data(), filled.size(), 6);
    ASSERT_TRUE(result);
    EXPECT_EQ(AsString(result->buffer), std::string("C:\\fw\0a.hex\0b.s19\0\0", 19));
    EXPECT_EQ(result->fileOffset, 6u);
}

TEST(FileDialogBuffer, MalformedBuffersGiveNothing) {
    const std::string empty("\0\0\0\0", 4);
    EXPECT_FALSE(ReadOpenFileBuffer(empty.data(), empty.size(), 1));
    EXPECT_FALSE(ReadOpenFileBuffer(nullptr, 10, 1));
    const std::string one("C:\\a.hex\0\0", 10);
    EXPECT_FALSE(ReadOpenFileBuffer(one.data(), one.size(), 0)) << "offset 0";
    EXPECT_FALSE(ReadOpenFileBuffer(one.data(), one.size(), 10)) << "offset outside";
    EXPECT_FALSE(ReadOpenFileBuffer(one.data(), one.size(), 8)) << "offset on the terminator";
    // No terminator anywhere in the buffer.
    const std::string open("C:\\a.hex", 8);
    EXPECT_FALSE(ReadOpenFileBuffer(open.data(), open.size(), 3));
    // A list whose last name runs to the buffer's end.
    const std::string runs("C:\\fw\0a.hex\0b.s1", 16);
    EXPECT_FALSE(ReadOpenFileBuffer(runs.data(), runs.size(), 6));
    // A list without its closing NUL.
    const std::string unclosed("C:\\fw\0a.hex\0", 12);
    EXPECT_FALSE(ReadOpenFileBuffer(unclosed.data(), unclosed.size(), 6));
    // Several-file form with no name at all.
    const std::string noNames("C:\\fw\0\0\0", 8);
    EXPECT_FALSE(ReadOpenFileBuffer(noNames.data(), noNames.size(), 6));
    // The offset must point right after the folder.
    const std::string shifted("C:\\fw\0a.hex\0\0", 13);
    EXPECT_FALSE(ReadOpenFileBuffer(shifted.data(), shifted.size(), 7));
}

}  // namespace
}  // namespace corvane::win32
