#include <gtest/gtest.h>

#include "ChannelFixture.h"
#include "app/engine/JobReporting.h"
#include "app/engine/ProgramProgress.h"
#include "app/engine/Requests.h"
#include "app/ui/WindowMessages.h"

namespace corvane::test {
namespace {

using Writes = std::vector<std::string>;

// Bit by bit, independent of the engine's table.
uint16_t ReferenceCrc16(const std::vector<uint8_t>& bytes) {
    uint16_t crc = 0;
    for (uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<uint16_t>(crc >> 1);
        }
    }
    return crc;
}

std::string Block(uint32_t address, const std::vector<uint8_t>& data, uint8_t type = 0) {
    std::string block;
    block += static_cast<char>(type);
    for (int i = 0; i < 4; ++i) {
        block += static_cast<char>((address >> (8 * i)) & 0xFF);
    }
    block += static_cast<char>(data.size());
    block.append(data.begin(), data.end());
    return block;
}

const std::string kEndBlock("\x01\0\0\0\0\0", 6);

class FlashRequestsTest : public ChannelFixture {
protected:
    FlashRequestsTest() {
        context.partitions.count = 3;
        context.partitions.flashSize = 0x30000;
        context.partitions.start[0] = 0;
        context.partitions.start[1] = 0x10000;
        context.partitions.start[2] = 0x20000;
    }

    void Stage(const std::string& bytes) {
        record().stagedImage = std::tmpfile();
        ASSERT_NE(record().stagedImage, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), record().stagedImage);
        std::fseek(record().stagedImage, 3, SEEK_SET);  // anywhere
    }

    void Flags(std::initializer_list<uint8_t> flags) {
        int i = 0;
        for (uint8_t flag : flags) {
            context.partitionFlags.flag[i++] = flag;
        }
    }

    std::string Hex4(uint16_t value, bool lower = false) {
        char text[8];
        std::snprintf(text, sizeof(text), lower ? "%04x\r" : "%04X\r", value);
        return text;
    }
};

TEST_F(FlashRequestsTest, EraseSendsOneCommandPerFlaggedPartitionThenALoneReturn) {
    Flags({1, 0, 1});
    EraseRequestBegin(context, 0);
    EXPECT_EQ(TakeWrites(), Writes{"E"});
    Reply(kAckText);
    EXPECT_EQ(EraseRequestContinue(context, 0, context.partitionFlags), 0);
    EXPECT_EQ(TakeWrites(), Writes{"BE00000000\r"});
    Reply(kAckText);
    EXPECT_EQ(EraseRequestContinue(context, 0, context.partitionFlags), 0);
    EXPECT_EQ(TakeWrites(), Writes{"BE00020000\r"});
    Reply(kAckText);
    EXPECT_EQ(EraseRequestContinue(context, 0, context.partitionFlags), 1);
    EXPECT_EQ(TakeWrites(), Writes{"\r"});
    window.Drain();
    EXPECT_EQ(window.TextsOf(1012),
              (Writes{"Erasing Flash 00000000...", "Erasing Flash 00020000..."}));
}

TEST_F(FlashRequestsTest, EraseFailsOnANegativeReplyToEOrBE) {
    Flags({1, 1, 0});
    EraseRequestBegin(context, 0);
    Reply("\x15");
    EXPECT_EQ(EraseRequestContinue(context, 0, context.partitionFlags), 5);
    EraseRequestBegin(context, 0);
    Reply(kAckText);
    EraseRequestContinue(context, 0, context.partitionFlags);
    Reply("\x15");
    EXPECT_EQ(EraseRequestContinue(context, 0, context.partitionFlags), 5);
}

TEST_F(FlashRequestsTest, EraseLooksOnlyAtPartitionsOfTheTable) {
    context.partitions.count = 2;
    Flags({0, 0, 1});  // a stale flag beyond the table
    EraseRequestBegin(context, 0);
    Reply(kAckText);
    EXPECT_EQ(EraseRequestContinue(context, 0, context.partitionFlags), 1);
    EXPECT_EQ(TakeWrites(), (Writes{"E", "\r"}));
}

TEST_F(FlashRequestsTest, ProgramSendsEveryBlockAndTheEndBlockWithProgressEveryTenBlocks) {
    std::string image;
    for (int i = 0; i < 25; ++i) {
        image += Block(0x100 * i, std::vector<uint8_t>(16, static_cast<uint8_t>(i)));
    }
    image += kEndBlock;
    Stage(image);
    ProgramRequestBegin(context, 0);
    EXPECT_EQ(TakeWrites(), Writes{"F"});
    int blocks = 0;
    for (;;) {
        Reply(kAckText);
        const int result = ProgramRequestContinue(context, 0);
        if (result == 1) {
            break;
        }
        ASSERT_EQ(result, 0);
        ++blocks;
        ASSERT_LT(blocks, 30);
    }
    const Writes writes = TakeWrites();
    ASSERT_EQ(writes.size(), 26u);
    EXPECT_EQ(writes[0], Block(0, std::vector<uint8_t>(16, 0)));
    EXPECT_EQ(writes[24], Block(0x1800, std::vector<uint8_t>(16, 24)));
    EXPECT_EQ(writes[25], kEndBlock);
    window.Drain();
    const int size = static_cast<int>(image.size());
    EXPECT_EQ(window.Of(WM_SET_PROGRESS),
              (std::vector<PostedMessage>{Progress(0), Progress(kProgressShowBar),
                                          Progress(10 * 22 * 100 / size),
                                          Progress(20 * 22 * 100 / size)}));
}

TEST_F(FlashRequestsTest, RefusedFIsRepeatedFiveTimesAtMost) {
    Stage(Block(0, {1, 2, 3}) + kEndBlock);
    ProgramRequestBegin(context, 0);
    for (int i = 0; i < 5; ++i) {
        Reply("\x15");
        EXPECT_EQ(ProgramRequestContinue(context, 0), 0);
    }
    EXPECT_EQ(TakeWrites(), (Writes{"F", "F", "F", "F", "F", "F"}));
    Reply("\x15");
    EXPECT_EQ(ProgramRequestContinue(context, 0), 3);
    EXPECT_TRUE(TakeWrites().empty());
}

TEST_F(FlashRequestsTest, FAcceptedAtTheSixthAttemptStartsTheBlocks) {
    Stage(Block(0, {1, 2, 3}) + kEndBlock);
    ProgramRequestBegin(context, 0);
    for (int i = 0; i < 5; ++i) {
        Reply("\x15");
        ProgramRequestContinue(context, 0);
    }
    TakeWrites();
    Reply(kAckText);
    EXPECT_EQ(ProgramRequestContinue(context, 0), 0);
    EXPECT_EQ(TakeWrites(), Writes{Block(0, {1, 2, 3})});
}

TEST_F(FlashRequestsTest, RefusedBlockIsFatalAtOnce) {
    Stage(Block(0, {1}) + Block(1, {2}) + kEndBlock);
    ProgramRequestBegin(context, 0);
    Reply(kAckText);
    ProgramRequestContinue(context, 0);
    Reply("\x15");
    EXPECT_EQ(ProgramRequestContinue(context, 0), 3);
    EXPECT_EQ(TakeWrites(), (Writes{"F", Block(0, {1})}));
}

TEST_F(FlashRequestsTest, FullBlockGoesOutWhole) {
    const std::vector<uint8_t> data(250, 0x5A);
    Stage(Block(0x20000, data) + kEndBlock);
    ProgramRequestBegin(context, 0);
    Reply(kAckText);
    EXPECT_EQ(ProgramRequestContinue(context, 0), 0);
    const Writes writes = TakeWrites();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[1], Block(0x20000, data));
}

TEST_F(FlashRequestsTest, DamagedStagedImageIsNeverSentAndNotTakenForARefusal) {
    const std::string truncated = Block(0, std::vector<uint8_t>(40, 1)).substr(0, 30);
    std::string oversized = Block(0, {});
    oversized[5] = static_cast<char>(251);
    oversized += std::string(251, 'x') + kEndBlock;
    const std::string unknownType = Block(0, {1, 2}, 7) + kEndBlock;
    for (const std::string& image : {truncated, oversized, unknownType}) {
        Stage(image);
        ProgramRequestBegin(context, 0);
        TakeWrites();
        Reply(kAckText);
        EXPECT_EQ(ProgramRequestContinue(context, 0), 6);
        EXPECT_TRUE(TakeWrites().empty());
        std::fclose(record().stagedImage);
        record().stagedImage = nullptr;
    }
}

TEST_F(FlashRequestsTest, ImageEndingWithoutEndBlockCompletes) {
    Stage(Block(0, {9}));
    ProgramRequestBegin(context, 0);
    Reply(kAckText);
    EXPECT_EQ(ProgramRequestContinue(context, 0), 0);
    Reply(kAckText);
    EXPECT_EQ(ProgramRequestContinue(context, 0), 1);
}

TEST(ProgramProgressTest, LargeImagesShowTheRightPercentage) {
    EXPECT_EQ(ProgramProgressPercent(30'000'000, 40'000'000), 75u);
    EXPECT_EQ(ProgramProgressPercent(int64_t{3} << 32, int64_t{4} << 32), 75u);
    EXPECT_EQ(ProgramProgressPercent(5, 0), 0u);
    EXPECT_EQ(ProgramProgressPercent(50, 10), 100u);
    EXPECT_EQ(ProgramProgressPercent(1, 3), 33u);
}

TEST_F(FlashRequestsTest, VerifyComparesTheFirstRunOfFlaggedPartitionsOnly) {
    Flags({1, 0, 1});
    const std::vector<uint8_t> data = {1, 2, 3, 4};
    Stage(Block(0x100, data) + Block(0x20000, {7}) + kEndBlock);
    ASSERT_EQ(VerifyRequestBegin(context, 0, context.partitionFlags), 0);
    EXPECT_EQ(TakeWrites(), Writes{"V"});
    Reply(kAckText);
    EXPECT_EQ(VerifyRequestContinue(context, 0, context.partitionFlags), 0);
    EXPECT_EQ(TakeWrites(), (Writes{"00000000", "00000000\r"}));
    std::vector<uint8_t> expected(0x10000, 0xFF);
    std::copy(data.begin(), data.end(), expected.begin() + 0x100);
    Reply(Hex4(ReferenceCrc16(expected)));
    EXPECT_EQ(VerifyRequestContinue(context, 0, context.partitionFlags), 1);
}

TEST_F(FlashRequestsTest, VerifyOfAllPartitionsRunsToTheFlashEnd) {
    Flags({1, 1, 1});
    Stage(Block(0x2FFFF, {0x42}) + kEndBlock);
    VerifyRequestBegin(context, 0, context.partitionFlags);
    Reply(kAckText);
    VerifyRequestContinue(context, 0, context.partitionFlags);
    EXPECT_EQ(TakeWrites(), (Writes{"V", "00000000", "00020000\r"}));
    std::vector<uint8_t> expected(0x30000, 0xFF);
    expected[0x2FFFF] = 0x42;
    const uint16_t crc = ReferenceCrc16(expected);
    Reply(Hex4(crc, true));  // lower-case digits
    EXPECT_EQ(VerifyRequestContinue(context, 0, context.partitionFlags), 1);
    Reply(Hex4(static_cast<uint16_t>(crc ^ 1)));
    EXPECT_EQ(VerifyRequestContinue(context, 0, context.partitionFlags), 3);
}

TEST_F(FlashRequestsTest, ChecksumOfTheStandardCheckString) {
    Flags({1, 0, 0});
    context.partitions.start[1] = 9;
    const std::string check = "123456789";
    Stage(Block(0, std::vector<uint8_t>(check.begin(), check.end())) + kEndBlock);
    VerifyRequestBegin(context, 0, context.partitionFlags);
    Reply(kAckText);
    VerifyRequestContinue(context, 0, context.partitionFlags);
    Reply("BB3D\r");
    EXPECT_EQ(VerifyRequestContinue(context, 0, context.partitionFlags), 1);
}

TEST_F(FlashRequestsTest, RefusedVerifyAndUnreadableChecksums) {
    Flags({1});
    Stage(kEndBlock);
    VerifyRequestBegin(context, 0, context.partitionFlags);
    Reply("\x15");
    EXPECT_EQ(VerifyRequestContinue(context, 0, context.partitionFlags), 4);
    for (const char* reply : {"\r", "ZZZZ\r", "",
                              "\x15"
                              "FFFF"}) {
        VerifyRequestBegin(context, 0, context.partitionFlags);
        Reply(kAckText);
        VerifyRequestContinue(context, 0, context.partitionFlags);
        Reply(reply);
        EXPECT_EQ(VerifyRequestContinue(context, 0, context.partitionFlags), 3) << reply;
    }
}

TEST_F(FlashRequestsTest, VerifyOfAFileFlaggingNothingSendsNothingAndPasses) {
    Flags({0, 0, 0});
    context.partitionFlags.flag[5] = 1;  // beyond the table: not a partition
    Stage(kEndBlock);
    EXPECT_EQ(VerifyRequestBegin(context, 0, context.partitionFlags), 1);
    EXPECT_TRUE(TakeWrites().empty());
}

TEST_F(FlashRequestsTest, DamagedStagedImageFailsTheVerificationAsTheHostsFault) {
    Flags({0, 0, 1});
    // Each would compare equal with erased flash if its damage were skipped.
    for (const std::string& image :
         {Block(0x20000, {0xFF, 0xFF}), std::string("\x07", 1),
          Block(0x20000, {0xFF, 0xFF}).substr(0, 4),
          Block(0x2FFF0, std::vector<uint8_t>(32, 0xFF)) + kEndBlock}) {  // runs past the flash
        Stage(image);
        VerifyRequestBegin(context, 0, context.partitionFlags);
        Reply(kAckText);
        VerifyRequestContinue(context, 0, context.partitionFlags);
        Reply(Hex4(ReferenceCrc16(std::vector<uint8_t>(0x10000, 0xFF))));
        EXPECT_EQ(VerifyRequestContinue(context, 0, context.partitionFlags), 6);
        std::fclose(record().stagedImage);
        record().stagedImage = nullptr;
    }
}

TEST_F(FlashRequestsTest, LastOfSixtyFourPartitionsEndsAtTheFlashSize) {
    context.partitions.count = 64;
    context.partitions.flashSize = 0x400;
    for (int i = 0; i < 64; ++i) {
        context.partitions.start[i] = static_cast<uint32_t>(i * 0x10);
        context.partitionFlags.flag[i] = i == 63 ? 1 : 0;
    }
    Stage(kEndBlock);
    VerifyRequestBegin(context, 0, context.partitionFlags);
    Reply(kAckText);
    VerifyRequestContinue(context, 0, context.partitionFlags);
    EXPECT_EQ(TakeWrites(), (Writes{"V", "000003F0", "000003F0\r"}));
    Reply(Hex4(ReferenceCrc16(std::vector<uint8_t>(0x10, 0xFF))));
    EXPECT_EQ(VerifyRequestContinue(context, 0, context.partitionFlags), 1);
}

TEST_F(FlashRequestsTest, PartitionTableOutsideTheFlashFailsTheVerification) {
    Flags({0, 1, 0});
    context.partitions.start[2] = 0x8000;  // ends before it starts
    Stage(kEndBlock);
    VerifyRequestBegin(context, 0, context.partitionFlags);
    Reply(kAckText);
    VerifyRequestContinue(context, 0, context.partitionFlags);
    Reply("0000\r");
    EXPECT_EQ(VerifyRequestContinue(context, 0, context.partitionFlags), 3);
}

}  // namespace
}  // namespace corvane::test
