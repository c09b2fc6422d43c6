#include "app/files/HexDigits.h"

#include <gtest/gtest.h>

#include <cstring>

#include "app/files/RecordLine.h"

namespace corvane {
namespace {

TEST(HexPairToByteTest, DigitsOfBothCases) {
    EXPECT_EQ(HexPairToByte('0', '0'), 0x00);
    EXPECT_EQ(HexPairToByte('F', 'F'), 0xFF);
    EXPECT_EQ(HexPairToByte('a', 'B'), 0xAB);
    EXPECT_EQ(HexPairToByte('9', 'a'), 0x9A);
}

TEST(HexPairToByteTest, OtherCharactersStillGiveAValue) {
    // 'G' counts as 16 and ' ' as -16, in 8 bits.
    EXPECT_EQ(HexPairToByte('0', 'G'), 16);
    EXPECT_EQ(HexPairToByte('G', '0'), 0);
    EXPECT_EQ(HexPairToByte('0', ' '), 0xF0);
}

TEST(ReadHexFieldTest, TakesDigitsUpToTheFirstOtherCharacterOrTheEnd) {
    uint32_t value = 77;
    EXPECT_TRUE(ReadHexField("x12g4", 5, 1, 4, value));
    EXPECT_EQ(value, 0x12u);
    EXPECT_TRUE(ReadHexField("xabcdef", 7, 1, 4, value));
    EXPECT_EQ(value, 0xABCDu);
    EXPECT_TRUE(ReadHexField("xFFFFFFFF9", 10, 1, 8, value));
    EXPECT_EQ(value, 0xFFFFFFFFu);
    EXPECT_TRUE(ReadHexField("x123456", 3, 1, 4, value));  // the length ends the field
    EXPECT_EQ(value, 0x12u);
}

TEST(ReadHexFieldTest, AFieldWithoutALeadingDigitLeavesTheValue) {
    uint32_t value = 77;
    EXPECT_FALSE(ReadHexField("x g", 3, 1, 4, value));
    EXPECT_FALSE(ReadHexField("x-1", 3, 1, 4, value));
    EXPECT_FALSE(ReadHexField("x12", 3, 3, 4, value));
    EXPECT_FALSE(ReadHexField("x12", 1, 1, 4, value));
    EXPECT_EQ(value, 77u);
}

TEST(RecordLineTest, LinesAreCutAfterTheLongestRecord) {
    FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    const std::string text = std::string(521, 'a') + "\n" + std::string(522, 'b') + "\n" +
                             std::string(1052, 'c') + "\r\nlast";
    std::fwrite(text.data(), 1, text.size(), file);
    std::rewind(file);
    RecordLine line;
    std::vector<size_t> lengths;
    while (ReadRecordLine(file, line)) {
        lengths.push_back(line.length);
    }
    EXPECT_EQ(lengths, (std::vector<size_t>{521, 522, 0, 522, 522, 8, 4}));
    std::fclose(file);
}

TEST(RecordLineTest, AnEmbeddedNulEndsTheText) {
    FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    const char text[] = ":10\0xyz\n";
    std::fwrite(text, 1, sizeof text - 1, file);
    std::rewind(file);
    RecordLine line;
    ASSERT_TRUE(ReadRecordLine(file, line));
    EXPECT_EQ(line.length, 3u);
    EXPECT_FALSE(ReadRecordLine(file, line));
    std::fclose(file);
}

}  // namespace
}  // namespace corvane
