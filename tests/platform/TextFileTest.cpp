#include <gtest/gtest.h>

#include <string>

#include "platform/portable/TextFile.h"
#include "tests/platform/TempFolder.h"

namespace corvane::platform {
namespace {

using namespace std::string_literals;

TEST(TextFile, ByteOrderMarksAreDroppedAndUtf16IsConverted) {
    EXPECT_EQ("[S]", DecodeText("\xEF\xBB\xBF[S]"));
    EXPECT_EQ("A\xC3\xA9\xE2\x82\xAC", DecodeText("\xFF\xFE"
                                                  "A\0\xE9\0\xAC\x20"s));
    EXPECT_EQ("A\xF0\x9F\x98\x80", DecodeText("\xFE\xFF\0A\xD8\x3D\xDE\x00"s));
    EXPECT_EQ(
        "\xEF\xBF\xBD"
        "B",
        DecodeText("\xFF\xFE\x00\xDC"
                   "B\0"s))
        << "lone surrogate";
    EXPECT_EQ("A", DecodeText("\xFF\xFE"
                              "A\0B"s))
        << "odd last byte";
    EXPECT_EQ("plain \xE9 text", DecodeText("plain \xE9 text"));
}

TEST(TextFile, TellsMissingFromUnreadable) {
    test::TempFolder folder;
    std::string bytes = "old";
    EXPECT_EQ(ReadResult::Missing, ReadWholeFile(folder.File("none"), bytes));
    EXPECT_EQ("", bytes);
    EXPECT_EQ(ReadResult::Failed, ReadWholeFile(folder.Path(), bytes));
    folder.Write("file", "a\0b"s);
    EXPECT_EQ(ReadResult::Failed, ReadWholeFile(folder.File("file") + "/below", bytes));
    EXPECT_EQ(ReadResult::Ok, ReadWholeFile(folder.File("file"), bytes));
    EXPECT_EQ("a\0b"s, bytes);
}

}  // namespace
}  // namespace corvane::platform
