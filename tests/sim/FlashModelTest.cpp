// The projector's storage: CRC, flash semantics, partition layout, NVRAM.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "sim/Crc16Arc.h"
#include "sim/FlashMemory.h"
#include "sim/Nvram.h"
#include "sim/PartitionLayout.h"

namespace corvane::sim {
namespace {

const uint8_t* Text(const char* s) {
    return reinterpret_cast<const uint8_t*>(s);
}

TEST(Crc16Arc, CheckValueAndChaining) {
    EXPECT_EQ(0xBB3D, Crc16Arc(Text("123456789"), 9));
    EXPECT_EQ(0x0000, Crc16Arc(nullptr, 0));
    EXPECT_EQ(0x1234, Crc16Arc(nullptr, 0, 0x1234));
    const uint16_t head = Crc16Arc(Text("1234"), 4);
    EXPECT_EQ(0xBB3D, Crc16Arc(Text("56789"), 5, head));
    const uint8_t ff[2] = {0xFF, 0xFF};
    EXPECT_NE(Crc16Arc(ff, 1), Crc16Arc(ff, 2));
}

TEST(FlashMemory, StartsWithDeterministicOldFirmware) {
    FlashMemory a(0x1000, 7);
    FlashMemory b(0x1000, 7);
    FlashMemory other(0x1000, 8);
    EXPECT_EQ(a.Bytes(), b.Bytes());
    EXPECT_NE(a.Bytes(), other.Bytes());
    size_t erased = 0;
    for (uint8_t byte : a.Bytes()) {
        erased += byte == 0xFF ? 1 : 0;
    }
    EXPECT_EQ(0u, erased);
    EXPECT_EQ(a.Bytes()[0x123], FlashMemory::OldFirmwareByte(0x123, 7));
}

TEST(FlashMemory, EraseSetsExactlyTheRangeToFF) {
    FlashMemory flash(0x100, 1);
    const auto before = flash.Bytes();
    ASSERT_TRUE(flash.Erase(0x10, 0x20));
    for (uint32_t a = 0; a < 0x100; ++a) {
        EXPECT_EQ(a >= 0x10 && a < 0x20 ? 0xFF : before[a], flash.Bytes()[a]) << a;
    }
    EXPECT_TRUE(flash.Erase(0xF0, 0x100));
    EXPECT_FALSE(flash.Erase(0xF0, 0x101));
    EXPECT_FALSE(flash.Erase(0x20, 0x10));
    EXPECT_EQ(before[0x0F], flash.Bytes()[0x0F]);
}

TEST(FlashMemory, ProgrammingOnlyClearsBits) {
    FlashMemory flash(0x100, 1);
    flash.Erase(0, 0x100);
    const uint8_t first[2] = {0xF0, 0x3C};
    ASSERT_TRUE(flash.Program(0x40, first, 2));
    EXPECT_EQ(0xF0, flash.Bytes()[0x40]);
    const uint8_t second[2] = {0x3C, 0xFF};
    ASSERT_TRUE(flash.Program(0x40, second, 2));
    EXPECT_EQ(0x30, flash.Bytes()[0x40]);  // a missing erase shows
    EXPECT_EQ(0x3C, flash.Bytes()[0x41]);
}

TEST(FlashMemory, ProgramOutsideTheFlashChangesNothing) {
    FlashMemory flash(0x100, 1);
    const auto before = flash.Bytes();
    const uint8_t zeros[4] = {0, 0, 0, 0};
    EXPECT_FALSE(flash.Program(0xFE, zeros, 3));
    EXPECT_FALSE(flash.Program(0x100, zeros, 1));
    EXPECT_FALSE(flash.Program(0xFFFFFFFF, zeros, 2));
    EXPECT_EQ(before, flash.Bytes());
    EXPECT_TRUE(flash.Program(0xFF, zeros, 1));
    EXPECT_TRUE(flash.Program(0x100, zeros, 0));
    EXPECT_EQ(0, flash.Bytes()[0xFF]);
}

TEST(FlashMemory, ReadStopsAtTheEndAndDumpWritesEveryByte) {
    FlashMemory flash(0x80, 3);
    EXPECT_EQ(0x10u, flash.Read(0x70, 0x40).size());
    EXPECT_TRUE(flash.Read(0x80, 1).empty());
    const std::string path = ::testing::TempDir() + "corvane_sim_flash_dump.bin";
    ASSERT_TRUE(flash.DumpToFile(path));
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> dumped((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
    EXPECT_EQ(flash.Bytes(), dumped);
    std::remove(path.c_str());
    EXPECT_FALSE(flash.DumpToFile("/nonexistent-dir/flash.bin"));
}

TEST(PartitionLayout, DefaultDescriptorAndBounds) {
    const PartitionLayout layout = DefaultPartitionLayout();
    EXPECT_EQ("4,100000,0,10000,80000,F0000", FormatPartitionDescriptor(layout));
    EXPECT_EQ(1u, layout.IndexStartingAt(0x10000));
    EXPECT_FALSE(layout.IndexStartingAt(0x10001).has_value());
    EXPECT_EQ(0x80000u, layout.EndOf(1));
    EXPECT_EQ(0x100000u, layout.EndOf(3));
    EXPECT_EQ("0,80000,", FormatPartitionDescriptor(PartitionLayout{0x80000, {}}));
}

TEST(PartitionLayout, ParsesStrictly) {
    EXPECT_EQ(DefaultPartitionLayout(), ParsePartitionDescriptor("4,100000,0,10000,80000,F0000"));
    EXPECT_EQ((PartitionLayout{0x80000, {0}}), ParsePartitionDescriptor("1,80000,0"));
    EXPECT_EQ((PartitionLayout{0x80000, {}}), ParsePartitionDescriptor("0,80000,"));
    EXPECT_EQ((PartitionLayout{0x80000, {}}), ParsePartitionDescriptor("0,80000"));
    EXPECT_EQ((PartitionLayout{0x2000, {0, 0xab0}}), ParsePartitionDescriptor("2,2000,0,ab0"));
    for (const char* bad :
         {"", "4", "4100000", "4,100000,0,10000", "2,100000,0,10000,20000", "2,100000,0,x",
          "2,100000,10000,0", "2,100000,0,0", "1,100000,100000", "1,0,0", "1,100000,0,",
          "-1,100000", "1,8000000,0", "1,100000,123456789"}) {
        EXPECT_FALSE(ParsePartitionDescriptor(bad).has_value()) << bad;
    }
}

TEST(PartitionLayout, SixtyFivePartitionsFormat) {
    PartitionLayout layout{0x1000000, {}};
    for (uint32_t i = 0; i < 65; ++i) {
        layout.starts.push_back(i * 0x10000);
    }
    ASSERT_TRUE(layout.IsValid());
    const std::string text = FormatPartitionDescriptor(layout);
    EXPECT_EQ(0u, text.rfind("65,1000000,0,10000,", 0));
    EXPECT_EQ(layout, ParsePartitionDescriptor(text));
}

TEST(Nvram, StartsFilledAndClearsToFF) {
    Nvram nvram;
    EXPECT_FALSE(nvram.IsCleared());
    EXPECT_EQ(0, nvram.ClearCount());
    nvram.Clear();
    EXPECT_TRUE(nvram.IsCleared());
    EXPECT_EQ(1, nvram.ClearCount());
    EXPECT_EQ(Nvram::kSize, nvram.Bytes().size());
}

}  // namespace
}  // namespace corvane::sim
