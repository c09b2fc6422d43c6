// What an Intel hex file may and may not hold.
#include <cstring>

#include "tests/files/ConverterFixture.h"

namespace corvane::test {
namespace {

using ConvertIntelHexTest = ConverterFixture;

const std::string kEnd = ":00000001FF";

TEST_F(ConvertIntelHexTest, EveryByteMustLieInTheFlash) {
    SetPartitions("2,20000,0,10000");
    EXPECT_EQ(Convert(Lines({":020000022000DC", IntelRecord(0, 0x0000, Pattern(16)), kEnd})),
              kConvertFormatError);
    // Starts one byte below the end: its other bytes would be past the flash.
    EXPECT_EQ(Convert(Lines({":020000021000EC", IntelRecord(0, 0xFFFF, Pattern(16)), kEnd})),
              kConvertFormatError);
    // Ends on the last byte: accepted, all its bytes staged.
    ASSERT_EQ(Convert(Lines({":020000021000EC", IntelRecord(0, 0xFFF0, Pattern(16)), kEnd})), 1);
    const auto blocks = StagedBlocks();
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].address, 0x1FFF0u);
    EXPECT_EQ(blocks[0].data.size(), 16u);
    EXPECT_EQ(Marked(), std::vector<int>{1});
}

TEST_F(ConvertIntelHexTest, DataBelowTheFirstPartitionIsStagedButMarksNothing) {
    SetPartitions("2,20000,1000,10000");
    ASSERT_EQ(Convert(Lines({IntelRecord(0, 0x0000, Pattern(16)), kEnd})), 0);
    EXPECT_TRUE(Marked().empty());
    EXPECT_EQ(StagedBlocks().size(), 2u);
}

TEST_F(ConvertIntelHexTest, ARecordMarksEveryPartitionItsBytesFallIn) {
    // Starts in partition 0 and runs into partition 1, which must be erased too.
    ASSERT_EQ(Convert(Lines({IntelRecord(0, 0xFFF8, Pattern(16)), kEnd})), 2);
    EXPECT_EQ(Marked(), (std::vector<int>{0, 1}));
    // Ends on partition 0's last byte: partition 1 stays unmarked.
    ASSERT_EQ(Convert(Lines({IntelRecord(0, 0xFFF0, Pattern(16)), kEnd})), 1);
    EXPECT_EQ(Marked(), std::vector<int>{0});
}

TEST_F(ConvertIntelHexTest, StartsListedOutOfOrderMarkOnlyThePartitionsTheDataFallsIn) {
    SetPartitions("3,100000,0,80000,10000");
    const struct {
        const char* segment;
        uint16_t offset;
        std::vector<int> marked;
    } cases[] = {
        {":020000022000DC", 0x0000, {2}},     // 0x20000: not partition 0 as well
        {":020000020000FC", 0x0000, {0}},     // 0x00000
        {":0200000290006C", 0x0000, {1}},     // 0x90000, the highest start
        {":0200000270008C", 0xFFF8, {1, 2}},  // 0x7FFF8 runs into partition 1
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.segment);
        ASSERT_EQ(Convert(Lines({c.segment, IntelRecord(0, c.offset, Pattern(16)), kEnd})),
                  static_cast<int>(c.marked.size()));
        EXPECT_EQ(Marked(), c.marked);
    }
    // Below every start: nothing.
    SetPartitions("3,100000,20000,80000,10000");
    EXPECT_EQ(Convert(Lines({IntelRecord(0, 0x0100, Pattern(16)), kEnd})), 0);
}

TEST_F(ConvertIntelHexTest, MarksAreClearedForEveryConversion) {
    ctx_.partitionFlags.flag[3] = 1;
    ctx_.partitionFlags.flag[4] = 7;  // beyond the count: not ours to clear
    ASSERT_EQ(Convert(Lines({IntelRecord(0, 0x0000, Pattern(1)), ":020000028000EE",
                             IntelRecord(0, 0x0000, Pattern(1)), kEnd})),
              2);
    EXPECT_EQ(Marked(), (std::vector<int>{0, 2}));
    EXPECT_EQ(ctx_.partitionFlags.flag[4], 7);
}

TEST_F(ConvertIntelHexTest, ABlankLineAnywhereIsAnError) {
    const std::string data = IntelRecord(0, 0, Pattern(16));
    EXPECT_EQ(Convert("\n" + Lines({data, kEnd})), kConvertFormatError);
    EXPECT_EQ(Convert(Lines({data, "", kEnd})), kConvertFormatError);
    EXPECT_EQ(Convert(Lines({data, kEnd, ""})), kConvertFormatError);
    EXPECT_EQ(Convert(Lines({data, kEnd})), 1);
}

TEST_F(ConvertIntelHexTest, LinesThatStartWithAnythingElseAreErrors) {
    for (const char* line : {" :00000001FF", "\t:00000001FF", "s9030000FC", "#comment", "00"}) {
        EXPECT_EQ(Convert(Lines({line})), kConvertFormatError) << line;
    }
}

TEST_F(ConvertIntelHexTest, ALineLongerThanTheLongestRecordIsAnError) {
    // Extra characters after the checksum are ignored while the line fits.
    std::string record = IntelRecord(0, 0, Pattern(16));
    const std::string fits = record + std::string(521 - record.size(), 'x');
    ASSERT_EQ(fits.size(), 521u);
    EXPECT_EQ(Convert(Lines({fits, kEnd})), 1);
    EXPECT_EQ(Convert(Lines({fits + "x", kEnd})), kConvertFormatError);
    EXPECT_EQ(Convert(Lines({fits + std::string(600, 'x'), kEnd})), kConvertFormatError);
}

TEST_F(ConvertIntelHexTest, TheRestOfALongLineIsReadAsARecordOfItsOwn) {
    // 522 characters, then a record that continues the line.
    std::string first = IntelRecord(0, 0, Pattern(16));
    first += std::string(522 - first.size(), 'x');
    const std::string second = IntelRecord(0, 0x0100, Pattern(16));
    EXPECT_EQ(Convert(Lines({first + second, kEnd})), 1);
    const auto blocks = StagedBlocks();
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[1].address, 0x0100u);
}

TEST_F(ConvertIntelHexTest, LowerCaseDigitsAreAccepted) {
    std::string record = IntelRecord(0, 0xABCD, {0xDE, 0xAD, 0xBE, 0xEF});
    for (char& c : record) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    ASSERT_EQ(Convert(Lines({":020000020000fc", record, kEnd})), 1);
    const auto blocks = StagedBlocks();
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].address, 0xABCDu);
    EXPECT_EQ(blocks[0].data, (Bytes{0xDE, 0xAD, 0xBE, 0xEF}));
}

TEST_F(ConvertIntelHexTest, OnlySegmentAddressingIsUnderstood) {
    EXPECT_EQ(Convert(Lines({":020000040000FA", kEnd})), kConvertFormatError);
    EXPECT_EQ(Convert(Lines({":0400000500000000F7", kEnd})), kConvertFormatError);
    // Start segment address: ignored.
    EXPECT_EQ(Convert(Lines({":0400000300000000F9", kEnd})), 0);
}

TEST_F(ConvertIntelHexTest, TheTypeIsToldByItsSecondDigitAlone) {
    EXPECT_EQ(Convert(Lines({":0400001001020304E2", ":00000011FF"})), 1);
    const auto blocks = StagedBlocks();
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].data, (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(Convert(Lines({":00000006FA"})), kConvertFormatError);
    EXPECT_EQ(Convert(Lines({":0000000fF1"})), kConvertFormatError);  // lower-case 'f'
}

TEST_F(ConvertIntelHexTest, ADataRecordWithAWrongChecksumIsNotProgrammed) {
    const std::string good = IntelRecord(0, 0, Pattern(16));
    std::string flipped = good;  // one bit of a data byte, the checksum left as it was
    flipped[9] = static_cast<char>(flipped[9] ^ 1);
    std::string wrong = good;
    wrong.replace(wrong.size() - 2, 2, "00");
    EXPECT_EQ(Convert(Lines({flipped, kEnd})), kConvertFormatError);
    EXPECT_EQ(Convert(Lines({wrong, kEnd})), kConvertFormatError);
    // A data record told by its type's second digit is checked as well.
    EXPECT_EQ(Convert(Lines({":0400001001020304E3", kEnd})), kConvertFormatError);
    EXPECT_EQ(Convert(Lines({good, kEnd})), 1);
    // Other records' checksums are not checked.
    window_.MatchFilesToHardware = 1;
    std::string identification = IntelRecord(0x0F, 0, TextBytes("PJX2000-A1"));
    identification.replace(identification.size() - 2, 2, "00");
    EXPECT_EQ(Convert(Lines(
                  {identification, ":020000021000EE", good, ":0000000100", ":0400000300000000FF"})),
              1);
}

TEST_F(ConvertIntelHexTest, ALineShorterThanItsByteCountImpliesIsAnError) {
    const std::string record = IntelRecord(0, 0, Pattern(16));
    EXPECT_EQ(Convert(Lines({record.substr(0, record.size() - 1), kEnd})), kConvertFormatError);
    EXPECT_EQ(Convert(Lines({record.substr(0, record.size() - 2), kEnd})), kConvertFormatError);
    EXPECT_EQ(Convert(Lines({record.substr(0, 20), kEnd})), kConvertFormatError);
    EXPECT_EQ(Convert(Lines({":FF000000" + std::string(500, '0')})), kConvertFormatError);
    for (const char* line : {":", ":10", ":100000", ":1000000"}) {
        EXPECT_EQ(Convert(Lines({line})), kConvertFormatError) << line;
    }
    // A segment record cut short.
    EXPECT_EQ(Convert(Lines({":02000002"})), kConvertFormatError);
    EXPECT_EQ(Convert(Lines({":0200000210"})), kConvertFormatError);
}

TEST_F(ConvertIntelHexTest, AnAddressFieldThatDoesNotStartWithAHexDigitIsAnError) {
    EXPECT_EQ(Convert(Lines({":04G00000000000000C", kEnd})), kConvertFormatError);
    EXPECT_EQ(Convert(Lines({":04" + std::string(" 000") + "00" + "00000000" + "0C", kEnd})),
              kConvertFormatError);
    EXPECT_EQ(Convert(Lines({":02000002 000FC", kEnd})), kConvertFormatError);
    // Digits up to the first other character count, as they always did.
    ASSERT_EQ(Convert(Lines({":041G0000AABBCCDDCE", kEnd})), 1);
    EXPECT_EQ(StagedBlocks()[0].address, 0x1u);
}

TEST_F(ConvertIntelHexTest, NoFlashMeansEveryAddressIsOutOfRange) {
    SetPartitions("0,0,");
    EXPECT_EQ(Convert(Lines({IntelRecord(0, 0, Pattern(1)), kEnd})), kConvertFormatError);
}

TEST_F(ConvertIntelHexTest, AnOutOfRangeSlotHasNoStagedImage) {
    FILE* source = std::tmpfile();
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(ConvertFirmwareImage(ctx_, 1, source, ctx_.partitionFlags), kConvertNoStagedImage);
    std::fclose(source);
}

}  // namespace
}  // namespace corvane::test
