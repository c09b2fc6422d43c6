// How data records become image blocks: coalescing, gaps, block limits.
#include <algorithm>
#include <filesystem>

#include "tests/files/ConverterFixture.h"

namespace corvane::test {
namespace {

using ConvertBlocksTest = ConverterFixture;

std::vector<std::string> DataRecords(uint16_t offset, size_t count, size_t size, uint8_t seed) {
    std::vector<std::string> records;
    for (size_t i = 0; i < count; ++i) {
        records.push_back(IntelRecord(0, static_cast<uint16_t>(offset + i * size),
                                      Pattern(size, static_cast<uint8_t>(seed + i))));
    }
    return records;
}

TEST_F(ConvertBlocksTest, TheTwentyEightByteExample) {
    const Bytes data = Pattern(16);
    ASSERT_EQ(Convert(Lines({IntelRecord(0, 0x0100, data), ":00000001FF"})), 1);
    Bytes expected = {0x00, 0x00, 0x01, 0x00, 0x00, 0x10};
    expected.insert(expected.end(), data.begin(), data.end());
    expected.insert(expected.end(), {0x01, 0x00, 0x00, 0x00, 0x00, 0x00});
    EXPECT_EQ(StagedBytes(), expected);
    EXPECT_EQ(StagedBytes().size(), 28u);
}

TEST_F(ConvertBlocksTest, SixteenByteRecordsCoalesceIntoBlocksOf240) {
    std::vector<std::string> lines = DataRecords(0x2000, 40, 16, 1);
    lines.push_back(":00000001FF");
    ASSERT_EQ(Convert(Lines(lines)), 1);
    const auto blocks = StagedBlocks();
    ASSERT_EQ(blocks.size(), 4u);
    EXPECT_EQ(blocks[0].address, 0x2000u);
    EXPECT_EQ(blocks[0].data.size(), 240u);
    EXPECT_EQ(blocks[1].address, 0x2000u + 240);
    EXPECT_EQ(blocks[1].data.size(), 240u);
    EXPECT_EQ(blocks[2].address, 0x2000u + 480);
    EXPECT_EQ(blocks[2].data.size(), 160u);
    EXPECT_EQ(blocks[3].type, 1);
    EXPECT_EQ(blocks[3].data.size(), 0u);
    const Bytes flash = StagedFlash(0x3000);
    for (size_t i = 0; i < 40; ++i) {
        const Bytes expected = Pattern(16, static_cast<uint8_t>(1 + i));
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), flash.begin() + 0x2000 + 16 * i))
            << i;
    }
}

TEST_F(ConvertBlocksTest, AGapOrASegmentRecordClosesTheBlock) {
    ASSERT_EQ(
        Convert(Lines({IntelRecord(0, 0x0000, Pattern(16)), IntelRecord(0, 0x0010, Pattern(16)),
                       IntelRecord(0, 0x0100, Pattern(16)),  // gap
                       IntelRecord(2, 0, {0x00, 0x00}),      // same base, still closes
                       IntelRecord(0, 0x0110, Pattern(8)), ":00000001FF"})),
        1);
    const auto blocks = StagedBlocks();
    ASSERT_EQ(blocks.size(), 4u);
    EXPECT_EQ(blocks[0].address, 0x0000u);
    EXPECT_EQ(blocks[0].data.size(), 32u);
    EXPECT_EQ(blocks[1].address, 0x0100u);
    EXPECT_EQ(blocks[1].data.size(), 16u);
    EXPECT_EQ(blocks[2].address, 0x0110u);
    EXPECT_EQ(blocks[2].data.size(), 8u);
    EXPECT_EQ(blocks[3].type, 1);
}

TEST_F(ConvertBlocksTest, SegmentBaseTimesSixteenPlusOffset) {
    ASSERT_EQ(
        Convert(Lines({":020000021000EC", IntelRecord(0, 0x0010, Pattern(4)), ":00000001FF"})), 1);
    const auto blocks = StagedBlocks();
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].address, 0x10010u);
    EXPECT_EQ(Marked(), std::vector<int>{1});
}

TEST_F(ConvertBlocksTest, ThirtyTwoByteRecordsNeverOverflowABlock) {
    std::vector<std::string> lines = DataRecords(0, 20, 32, 7);
    lines.push_back(":00000001FF");
    ASSERT_EQ(Convert(Lines(lines)), 1);
    const auto blocks = StagedBlocks();
    // Seven records (224 bytes) fill a block; the eighth opens the next one.
    ASSERT_EQ(blocks.size(), 4u);
    EXPECT_EQ(blocks[0].data.size(), 224u);
    EXPECT_EQ(blocks[1].address, 224u);
    EXPECT_EQ(blocks[1].data.size(), 224u);
    EXPECT_EQ(blocks[2].address, 448u);
    EXPECT_EQ(blocks[2].data.size(), 192u);
    const Bytes flash = StagedFlash(640);
    for (size_t i = 0; i < 20; ++i) {
        const Bytes expected = Pattern(32, static_cast<uint8_t>(7 + i));
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), flash.begin() + 32 * i)) << i;
    }
}

TEST_F(ConvertBlocksTest, ARecordLongerThanABlockIsSplit) {
    ctx_.devices[0].stagedImage = std::tmpfile();
    ASSERT_NE(ctx_.devices[0].stagedImage, nullptr);
    const Bytes big = Pattern(255, 3);
    ASSERT_EQ(AppendDataRecord(ctx_, 0, 0x1000, IntelRecord(0, 0x1000, Pattern(16)).c_str()), 0);
    ASSERT_EQ(AppendDataRecord(ctx_, 0, 0x1010, IntelRecord(0, 0x1010, big).c_str()), 0);
    ASSERT_EQ(AppendDataRecord(ctx_, 0, 0x110F, IntelRecord(0, 0x110F, Pattern(4, 9)).c_str()), 0);
    ASSERT_TRUE(FlushImageBlock(ctx_, 0));
    const auto blocks = StagedBlocks();
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].address, 0x1000u);
    EXPECT_EQ(blocks[0].data.size(), 16u);
    EXPECT_EQ(blocks[1].address, 0x1010u);
    EXPECT_EQ(blocks[1].data, Bytes(big.begin(), big.begin() + 250));
    // The rest of the long record continues, and so does the next record.
    EXPECT_EQ(blocks[2].address, 0x1010u + 250);
    Bytes rest(big.begin() + 250, big.end());
    const Bytes next = Pattern(4, 9);
    rest.insert(rest.end(), next.begin(), next.end());
    EXPECT_EQ(blocks[2].data, rest);
}

TEST_F(ConvertBlocksTest, FullLengthRecordsInAFileAreSplitAcrossBlocks) {
    // 255 data bytes make the longest Intel hex record, 521 characters.
    const Bytes data = Pattern(255, 4);
    ASSERT_EQ(IntelRecord(0, 0, data).size(), 521u);
    ASSERT_EQ(
        Convert(Lines({IntelRecord(0, 0x10, data), IntelRecord(0, 0x10F, data), ":00000001FF"})),
        1);
    const auto blocks = StagedBlocks();
    // The second record would carry the open rest of the first past 250
    // bytes, so that rest is closed first; no block exceeds 250 bytes and
    // every byte arrives at its address.
    ASSERT_EQ(blocks.size(), 5u);
    Bytes flash(0x10 + 510, 0);
    for (size_t i = 0; i + 1 < blocks.size(); ++i) {
        ASSERT_LE(blocks[i].data.size(), 250u);
        std::copy(blocks[i].data.begin(), blocks[i].data.end(), flash.begin() + blocks[i].address);
    }
    EXPECT_EQ(Bytes(flash.begin() + 0x10, flash.begin() + 0x10F), data);
    EXPECT_EQ(Bytes(flash.begin() + 0x10F, flash.end()), data);
    EXPECT_EQ(blocks[4].type, 1);
}

TEST_F(ConvertBlocksTest, RecordSizesThatMeetTheBlockLimitExactly) {
    // 10 x 25 = 250: the block fills to the brim only while it holds at most
    // 226 bytes before the record.
    std::vector<std::string> lines = DataRecords(0, 12, 25, 0);
    lines.push_back(":00000001FF");
    ASSERT_EQ(Convert(Lines(lines)), 1);
    const auto blocks = StagedBlocks();
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].data.size(), 250u);
    EXPECT_EQ(blocks[1].data.size(), 50u);
}

TEST_F(ConvertBlocksTest, AFileWithoutEndOfFileRecordKeepsItsData) {
    ASSERT_EQ(
        Convert(Lines({IntelRecord(0, 0x0000, Pattern(16)), IntelRecord(0, 0x0010, Pattern(16))})),
        1);
    const auto blocks = StagedBlocks();
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].data.size(), 32u);
    EXPECT_EQ(blocks[1].type, 1);
}

TEST_F(ConvertBlocksTest, RecordsAfterTheEndOfFileRecordAreStillRead) {
    ASSERT_EQ(Convert(Lines({IntelRecord(0, 0x0000, Pattern(16)), ":00000001FF", ":020000021000EC",
                             IntelRecord(0, 0x0000, Pattern(16))})),
              2);
    const auto blocks = StagedBlocks();
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[1].address, 0x10000u);
    EXPECT_EQ(Marked(), (std::vector<int>{0, 1}));

    EXPECT_EQ(Convert(Lines({IntelRecord(0, 0x0000, Pattern(16)), ":00000001FF", "junk"})),
              kConvertFormatError);
}

TEST_F(ConvertBlocksTest, AnEmptyFileStagesTheEndBlockOnly) {
    ASSERT_EQ(Convert(""), 0);
    EXPECT_EQ(StagedBytes(), (Bytes{0x01, 0, 0, 0, 0, 0}));
    ASSERT_EQ(Convert(":00000001FF\n"), 0);
    EXPECT_EQ(StagedBytes(), (Bytes{0x01, 0, 0, 0, 0, 0}));
}

TEST_F(ConvertBlocksTest, ABlockLeftOpenByAFailedConversionIsNotCarriedOver) {
    EXPECT_EQ(Convert(Lines({IntelRecord(0, 0x0000, Pattern(16, 0xEE)), "bad"})),
              kConvertFormatError);
    ASSERT_EQ(Convert(Lines({IntelRecord(0, 0x0100, Pattern(16)), ":00000001FF"})), 1);
    const auto blocks = StagedBlocks();
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].address, 0x0100u);
    EXPECT_EQ(blocks[0].data, Pattern(16));
}

#ifdef __linux__
size_t OpenDescriptors() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

TEST_F(ConvertBlocksTest, EveryConversionGetsAFreshStagedImage) {
    // A staged image still held by the record is closed, not leaked, and
    // nothing of it shows in the new one.
    ASSERT_EQ(Convert(""), 0);  // the source file is open from here on
    std::fclose(ctx_.devices[0].stagedImage);
    ctx_.devices[0].stagedImage = nullptr;
    const size_t before = OpenDescriptors();
    FILE* leftover = std::tmpfile();
    ASSERT_NE(leftover, nullptr);
    std::fputs("stale", leftover);
    ctx_.devices[0].stagedImage = leftover;
    ASSERT_EQ(ConvertFirmwareImage(ctx_, 0, source_, ctx_.partitionFlags), 0);
    EXPECT_EQ(OpenDescriptors(), before + 1);  // the new staged image only
    EXPECT_EQ(StagedBytes(), (Bytes{0x01, 0, 0, 0, 0, 0}));
}
#endif

TEST_F(ConvertBlocksTest, AZeroLengthDataRecordStagesNothingButMarks) {
    ASSERT_EQ(Convert(Lines({IntelRecord(0, 0x0000, {}), ":00000001FF"})), 1);
    EXPECT_EQ(StagedBytes(), (Bytes{0x01, 0, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace corvane::test
