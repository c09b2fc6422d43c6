#include "app/engine/PartitionDescriptor.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

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

std::string Descriptor(int count) {
    std::string text = std::to_string(count) + ",1000000";
    for (int i = 0; i < count; ++i) {
        char start[16];
        std::snprintf(start, sizeof start, ",%X", i * 0x1000);
        text += start;
    }
    return text;
}

std::vector<uint32_t> Starts(int count) {
    std::vector<uint32_t> starts;
    for (int i = 0; i < count; ++i) {
        starts.push_back(static_cast<uint32_t>(i) * 0x1000u);
    }
    return starts;
}

// Each parse starts from a previous layout: the count, the flash size and
// the starts up to the count are replaced, the starts beyond it stay.
TEST(PartitionDescriptorTest, WellFormedDescriptorsGiveTheirLayout) {
    const struct {
        std::string text;
        int count;
        uint32_t flashSize;
        std::vector<uint32_t> starts;
    } cases[] = {
        {"1,80000,0", 1, 0x80000, {0}},
        {"4,100000,0,10000,80000,F0000", 4, 0x100000, {0, 0x10000, 0x80000, 0xF0000}},
        {"2,1ffff,0,abcd", 2, 0x1FFFF, {0, 0xABCD}},
        // No comma is needed after the last start, and a trailing one is
        // tolerated: nothing looks beyond the last start.
        {"3,200000,0,10000,100000", 3, 0x200000, {0, 0x10000, 0x100000}},
        {"2,200000,0,10000,", 2, 0x200000, {0, 0x10000}},
        // An empty table needs the comma after the flash size.
        {"0,80000,", 0, 0x80000, {}},
        {"x,80000,", 0, 0x80000, {}},         // a non-numeric count reads as zero
        {"0,123456789,", 0, 0xFFFFFFFF, {}},  // the flash size saturates
        {Descriptor(64), 64, 0x1000000, Starts(64)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        PartitionTable table = PreviousTable();
        EXPECT_EQ(ParsePartitionDescriptor(c.text.c_str(), table), kDescriptorDone);
        EXPECT_EQ(table.count, c.count);
        EXPECT_EQ(table.flashSize, c.flashSize);
        for (int i = 0; i < kMaxPartitions; ++i) {
            const uint32_t expected = i < c.count ? c.starts[static_cast<size_t>(i)]
                                                  : 0xAA000000u + static_cast<uint32_t>(i);
            ASSERT_EQ(table.start[i], expected) << i;
        }
    }
}

TEST(PartitionDescriptorTest, AFailedNumberScanKeepsThePreviousValue) {
    PartitionTable table = PreviousTable();
    EXPECT_EQ(ParsePartitionDescriptor("2,zz,,5", table), kDescriptorDone);
    EXPECT_EQ(table.count, 2);
    EXPECT_EQ(table.flashSize, 0x1234u);
    EXPECT_EQ(table.start[0], 0xAA000000u);
    EXPECT_EQ(table.start[1], 0x5u);
}

// A malformed descriptor is refused before anything is written: missing
// commas, fewer starts than the count, more than 64 partitions, and counts
// that would wrap in 8 bits (300 to 44, 256 to 0, -1 to 255) or overflow.
TEST(PartitionDescriptorTest, MalformedDescriptorsLeaveTheTableAlone) {
    std::vector<std::string> cases = {"",           "3",
                                      "1 80000 0",  "1,80000",
                                      "0,80000",    "3,200000,0,10000",
                                      "300,80000,", "256,80000,",
                                      "-1,80000,",  "99999999999999999999999,80000,"};
    for (int count : {65, 255, 256, 300}) {
        cases.push_back(Descriptor(count));
    }
    for (const std::string& text : cases) {
        SCOPED_TRACE(text);
        PartitionTable table = PreviousTable();
        EXPECT_EQ(ParsePartitionDescriptor(text.c_str(), table), kDescriptorMalformed);
        EXPECT_TRUE(SameTable(table, PreviousTable()));
    }
}

}  // namespace
}  // namespace corvane
