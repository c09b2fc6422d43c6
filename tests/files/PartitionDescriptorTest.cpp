#include "app/engine/PartitionDescriptor.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace corvane {
namespace {

// A table that already holds a previous projector's layout, so tests can see
// what a parse changed and what it left alone.
PartitionTable PreviousTable() {
    PartitionTable table;
    table.count = 2;
    table.flashSize = 0x1234;
    for (int i = 0; i < kMaxPartitions; ++i) {
        table.start[i] = 0xAA000000u + static_cast<uint32_t>(i);
    }
    return table;
}

bool SameTable(const PartitionTable& a, const PartitionTable& b) {
    if (a.count != b.count || a.flashSize != b.flashSize) {
        return false;
    }
    for (int i = 0; i < kMaxPartitions; ++i) {
        if (a.start[i] != b.start[i]) {
            return false;
        }
    }
    return true;
}

TEST(PartitionDescriptorTest, OnePartition) {
    PartitionTable table = PreviousTable();
    EXPECT_EQ(ParsePartitionDescriptor("1,80000,0", table), kDescriptorDone);
    EXPECT_EQ(table.count, 1);
    EXPECT_EQ(table.flashSize, 0x80000u);
    EXPECT_EQ(table.start[0], 0u);
    EXPECT_EQ(table.start[1], 0xAA000001u);  // beyond the count: untouched
}

TEST(PartitionDescriptorTest, FourPartitionsWithUpperAndLowerCaseHex) {
    PartitionTable table;
    EXPECT_EQ(ParsePartitionDescriptor("4,100000,0,10000,80000,F0000", table), kDescriptorDone);
    EXPECT_EQ(table.count, 4);
    EXPECT_EQ(table.flashSize, 0x100000u);
    EXPECT_EQ(table.start[0], 0u);
    EXPECT_EQ(table.start[1], 0x10000u);
    EXPECT_EQ(table.start[2], 0x80000u);
    EXPECT_EQ(table.start[3], 0xF0000u);
    EXPECT_EQ(ParsePartitionDescriptor("2,1ffff,0,abcd", table), kDescriptorDone);
    EXPECT_EQ(table.flashSize, 0x1FFFFu);
    EXPECT_EQ(table.start[1], 0xABCDu);
}

TEST(PartitionDescriptorTest, EmptyTableNeedsTheSecondComma) {
    PartitionTable table = PreviousTable();
    EXPECT_EQ(ParsePartitionDescriptor("0,80000,", table), kDescriptorDone);
    EXPECT_EQ(table.count, 0);
    EXPECT_EQ(table.flashSize, 0x80000u);

    PartitionTable other = PreviousTable();
    EXPECT_EQ(ParsePartitionDescriptor("0,80000", other), kDescriptorMalformed);
    EXPECT_TRUE(SameTable(other, PreviousTable()));
}

TEST(PartitionDescriptorTest, MissingCommasAreMalformed) {
    for (const char* text : {"", "3", "1 80000 0", "1,80000"}) {
        PartitionTable table = PreviousTable();
        EXPECT_EQ(ParsePartitionDescriptor(text, table), kDescriptorMalformed) << text;
        EXPECT_TRUE(SameTable(table, PreviousTable())) << text;
    }
}

TEST(PartitionDescriptorTest, FewerStartsThanTheCountIsMalformedAndLeavesTheTable) {
    PartitionTable table = PreviousTable();
    EXPECT_EQ(ParsePartitionDescriptor("3,200000,0,10000", table), kDescriptorMalformed);
    EXPECT_TRUE(SameTable(table, PreviousTable()));
}

TEST(PartitionDescriptorTest, NoCommaIsNeededAfterTheLastStart) {
    PartitionTable table;
    EXPECT_EQ(ParsePartitionDescriptor("3,200000,0,10000,100000", table), kDescriptorDone);
    EXPECT_EQ(table.start[2], 0x100000u);
    // A trailing comma is tolerated: nothing looks beyond the last start.
    EXPECT_EQ(ParsePartitionDescriptor("2,200000,0,10000,", table), kDescriptorDone);
    EXPECT_EQ(table.start[1], 0x10000u);
}

TEST(PartitionDescriptorTest, AFailedNumberScanKeepsThePreviousValue) {
    PartitionTable table = PreviousTable();
    EXPECT_EQ(ParsePartitionDescriptor("2,zz,,5", table), kDescriptorDone);
    EXPECT_EQ(table.count, 2);
    EXPECT_EQ(table.flashSize, 0x1234u);
    EXPECT_EQ(table.start[0], 0xAA000000u);
    EXPECT_EQ(table.start[1], 0x5u);
}

TEST(PartitionDescriptorTest, NonNumericCountReadsAsZero) {
    PartitionTable table = PreviousTable();
    EXPECT_EQ(ParsePartitionDescriptor("x,80000,", table), kDescriptorDone);
    EXPECT_EQ(table.count, 0);
}

std::string Descriptor(int count) {
    std::string text = std::to_string(count) + ",1000000";
    for (int i = 0; i < count; ++i) {
        char start[16];
        std::snprintf(start, sizeof start, ",%X", i * 0x1000);
        text += start;
    }
    return text;
}

TEST(PartitionDescriptorTest, SixtyFourPartitionsFill) {
    PartitionTable table;
    EXPECT_EQ(ParsePartitionDescriptor(Descriptor(64).c_str(), table), kDescriptorDone);
    EXPECT_EQ(table.count, 64);
    EXPECT_EQ(table.start[63], 63u * 0x1000u);
}

TEST(PartitionDescriptorTest, MoreThanSixtyFourPartitionsAreMalformedBeforeAnyWrite) {
    for (int count : {65, 255, 256, 300}) {
        PartitionTable table = PreviousTable();
        EXPECT_EQ(ParsePartitionDescriptor(Descriptor(count).c_str(), table), kDescriptorMalformed)
            << count;
        EXPECT_TRUE(SameTable(table, PreviousTable())) << count;
    }
}

TEST(PartitionDescriptorTest, CountsThatWouldWrapOrOverflowAreMalformed) {
    // 300 and 256 would wrap to 44 and 0 in 8 bits; -1 to 255.
    for (const char* text :
         {"300,80000,", "256,80000,", "-1,80000,", "99999999999999999999999,80000,"}) {
        PartitionTable table = PreviousTable();
        EXPECT_EQ(ParsePartitionDescriptor(text, table), kDescriptorMalformed) << text;
        EXPECT_TRUE(SameTable(table, PreviousTable())) << text;
    }
}

TEST(PartitionDescriptorTest, FlashSizeBeyondThirtyTwoBitsSaturates) {
    PartitionTable table;
    EXPECT_EQ(ParsePartitionDescriptor("0,123456789,", table), kDescriptorDone);
    EXPECT_EQ(table.flashSize, 0xFFFFFFFFu);
}

}  // namespace
}  // namespace corvane
