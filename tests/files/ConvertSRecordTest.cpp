// S-record data is staged like Intel hex data.
#include "tests/files/ConverterFixture.h"

namespace corvane::test {
namespace {

using ConvertSRecordTest = ConverterFixture;

TEST_F(ConvertSRecordTest, S1S2AndS3DataIsStagedAtTheRecordsAddresses) {
    ASSERT_EQ(Convert(Lines({SRecord('1', 0x1234, 2, {1, 2, 3}), SRecord('2', 0x012345, 3, {4, 5}),
                             SRecord('3', 0x000F0010, 4, {6}), "S9030000FC"})),
              3);
    const auto blocks = StagedBlocks();
    ASSERT_EQ(blocks.size(), 4u);
    EXPECT_EQ(blocks[0].address, 0x1234u);
    EXPECT_EQ(blocks[0].data, (Bytes{1, 2, 3}));
    EXPECT_EQ(blocks[1].address, 0x12345u);
    EXPECT_EQ(blocks[1].data, (Bytes{4, 5}));
    EXPECT_EQ(blocks[2].address, 0xF0010u);
    EXPECT_EQ(blocks[2].data, (Bytes{6}));
    EXPECT_EQ(blocks[3].type, 1);
    EXPECT_EQ(Marked(), (std::vector<int>{0, 1, 3}));
}

TEST_F(ConvertSRecordTest, ConsecutiveRecordsCoalesceAcrossRecordKinds) {
    ASSERT_EQ(Convert(Lines({SRecord('1', 0xFFF0, 2, Pattern(16)),
                             SRecord('2', 0x010000, 3, Pattern(16, 1)),
                             SRecord('3', 0x00010010, 4, Pattern(16, 2))})),
              2);
    const auto blocks = StagedBlocks();
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].address, 0xFFF0u);
    EXPECT_EQ(blocks[0].data.size(), 48u);
}

TEST_F(ConvertSRecordTest, CountAndTerminationRecordsAreIgnored) {
    // Their checksums too.
    EXPECT_EQ(Convert(Lines({"S5030000FC", "S6040000FB", "S70500000000FA", "S804000000FB",
                             "S9030000FC", "S9030000FF", "S", "Sx"})),
              0);
    EXPECT_EQ(StagedBytes(), (Bytes{1, 0, 0, 0, 0, 0}));
}

TEST_F(ConvertSRecordTest, EveryByteMustLieInTheFlashAndMarksItsPartition) {
    EXPECT_EQ(Convert(Lines({SRecord('2', 0x100000, 3, {1})})), kConvertFormatError);
    EXPECT_EQ(Convert(Lines({SRecord('3', 0xFFFFFFFF, 4, {1})})), kConvertFormatError);
    EXPECT_EQ(Convert(Lines({SRecord('2', 0x0FFFFF, 3, {1, 2})})), kConvertFormatError);
    EXPECT_EQ(Convert(Lines({SRecord('2', 0x0FFFFE, 3, {1, 2})})), 1);
    EXPECT_EQ(Convert(Lines({SRecord('2', 0x07FFFF, 3, {1, 2})})), 2);
    EXPECT_EQ(Marked(), (std::vector<int>{1, 2}));
}

TEST_F(ConvertSRecordTest, MalformedDataRecordsAreErrors) {
    const std::string record = SRecord('1', 0x0100, 2, Pattern(16));
    EXPECT_EQ(Convert(Lines({record.substr(0, record.size() - 1)})), kConvertFormatError);
    EXPECT_EQ(Convert(Lines({record.substr(0, 12)})), kConvertFormatError);
    for (const char* line : {"S1", "S113", "S1130", "S2", "S3050000"}) {
        EXPECT_EQ(Convert(Lines({line})), kConvertFormatError) << line;
    }
    // A count too small for the address and checksum.
    EXPECT_EQ(Convert(Lines({"S1020000FD"})), kConvertFormatError);
    EXPECT_EQ(Convert(Lines({"S30400000000FB"})), kConvertFormatError);
    // An address field that does not start with a hex digit.
    EXPECT_EQ(Convert(Lines({"S104G0000000"})), kConvertFormatError);
    // A wrong checksum on a data record.
    for (const std::string& bad : {SRecord('1', 0x0100, 2, Pattern(16)),
                                   SRecord('2', 0x0100, 3, {1}), SRecord('3', 0x0100, 4, {1})}) {
        std::string flipped = bad;
        flipped[flipped.size() - 3] = static_cast<char>(flipped[flipped.size() - 3] ^ 1);
        EXPECT_EQ(Convert(Lines({flipped})), kConvertFormatError) << flipped;
    }
    // Just the address and checksum: no data, still a record.
    EXPECT_EQ(Convert(Lines({"S1030000FC"})), 1);
    EXPECT_EQ(StagedBytes(), (Bytes{1, 0, 0, 0, 0, 0}));
}

TEST_F(ConvertSRecordTest, LongRecordsFollowTheBlockLimit) {
    // Records with these data fields fill whole blocks.
    ASSERT_EQ(Convert(Lines({SRecord('1', 0x8000, 2, Pattern(250, 1)),
                             SRecord('2', 0x80FA, 3, Pattern(249, 2)),
                             SRecord('3', 0x81F3, 4, Pattern(248, 3))})),
              1);
    const auto blocks = StagedBlocks();
    ASSERT_EQ(blocks.size(), 4u);
    EXPECT_EQ(blocks[0].address, 0x8000u);
    EXPECT_EQ(blocks[0].data, Pattern(250, 1));
    EXPECT_EQ(blocks[1].address, 0x80FAu);
    EXPECT_EQ(blocks[1].data, Pattern(249, 2));
    EXPECT_EQ(blocks[2].address, 0x81F3u);
    EXPECT_EQ(blocks[2].data, Pattern(248, 3));
    // The longest S1 record (count 255: 252 data bytes) fits a line too.
    EXPECT_EQ(Convert(Lines({SRecord('1', 0x8000, 2, Pattern(252))})), 1);
}

TEST_F(ConvertSRecordTest, MixedWithIntelHexRecords) {
    ASSERT_EQ(Convert(Lines({SRecord('1', 0x0000, 2, {1, 2}), IntelRecord(0, 0x0002, {3, 4}),
                             ":00000001FF"})),
              1);
    const auto blocks = StagedBlocks();
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].data, (Bytes{1, 2, 3, 4}));
}

}  // namespace
}  // namespace corvane::test
