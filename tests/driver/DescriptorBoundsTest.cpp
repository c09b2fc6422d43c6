// How much of a configuration descriptor the driver is willing to walk.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "driver/DescriptorBounds.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Configuration head (9) + interface (9) + bulk IN (7) + bulk OUT (7) = 32.
Bytes ProjectorConfiguration() {
    return {9, 2, 32,   0, 1,  1,    0, 0xC0, 1,  // configuration, wTotalLength 32
            9, 4, 0,    0, 2,  0xFF, 0, 0,    5,  // interface 0, two endpoints
            7, 5, 0x81, 2, 64, 0,    0,           // bulk IN
            7, 5, 0x02, 2, 64, 0,    0};          // bulk OUT
}

ULONG Usable(const Bytes& bytes, size_t received) {
    return UsableConfigurationLength(bytes.data(), static_cast<ULONG>(received));
}

void SetTotalLength(Bytes& bytes, uint16_t total) {
    bytes[2] = static_cast<uint8_t>(total & 0xFF);
    bytes[3] = static_cast<uint8_t>(total >> 8);
}

TEST(DescriptorBoundsTest, WholeWellFormedConfigurationIsUsable) {
    Bytes bytes = ProjectorConfiguration();
    EXPECT_EQ(Usable(bytes, bytes.size()), 32u);
}

TEST(DescriptorBoundsTest, TotalLengthLargerThanReceivedIsCutToWholeDescriptors) {
    Bytes bytes = ProjectorConfiguration();
    SetTotalLength(bytes, 200);
    EXPECT_EQ(Usable(bytes, 32), 32u);
    EXPECT_EQ(Usable(bytes, 25), 25u);  // ends exactly after the IN endpoint
    EXPECT_EQ(Usable(bytes, 24), 18u);  // a partial endpoint is dropped
    EXPECT_EQ(Usable(bytes, 10), 9u);   // one byte of the interface: head only
}

TEST(DescriptorBoundsTest, TotalLengthSmallerThanReceivedBoundsTheWalk) {
    Bytes bytes = ProjectorConfiguration();
    SetTotalLength(bytes, 18);
    EXPECT_EQ(Usable(bytes, bytes.size()), 18u);
    SetTotalLength(bytes, 20);  // ends inside the first endpoint
    EXPECT_EQ(Usable(bytes, bytes.size()), 18u);
}

TEST(DescriptorBoundsTest, ZeroOrOneByteDescriptorEndsTheWalk) {
    for (uint8_t bad : {uint8_t{0}, uint8_t{1}}) {
        Bytes bytes = ProjectorConfiguration();
        bytes[18] = bad;  // first endpoint's bLength
        EXPECT_EQ(Usable(bytes, bytes.size()), 18u) << "bLength " << int(bad);
    }
}

TEST(DescriptorBoundsTest, DescriptorRunningPastTheEndEndsTheWalk) {
    Bytes bytes = ProjectorConfiguration();
    bytes[25] = 200;  // second endpoint claims 200 bytes
    EXPECT_EQ(Usable(bytes, bytes.size()), 25u);
    bytes = ProjectorConfiguration();
    bytes[25] = 8;  // one byte too long
    EXPECT_EQ(Usable(bytes, bytes.size()), 25u);
}

TEST(DescriptorBoundsTest, InterfaceOrEndpointTooShortForItsFieldsEndsTheWalk) {
    Bytes bytes = ProjectorConfiguration();
    bytes[9] = 4;  // interface descriptor of 4 bytes
    EXPECT_EQ(Usable(bytes, bytes.size()), 9u);
    bytes = ProjectorConfiguration();
    bytes[18] = 6;  // endpoint descriptor of 6 bytes
    EXPECT_EQ(Usable(bytes, bytes.size()), 18u);
}

TEST(DescriptorBoundsTest, OtherDescriptorsOfAnyLengthAreWalkedOver) {
    Bytes bytes = ProjectorConfiguration();
    // A class-specific descriptor of 3 bytes between the interface and its endpoints.
    bytes.insert(bytes.begin() + 18, {3, 0x24, 0});
    SetTotalLength(bytes, static_cast<uint16_t>(bytes.size()));
    EXPECT_EQ(Usable(bytes, bytes.size()), 35u);
}

TEST(DescriptorBoundsTest, UnusableHeadGivesZero) {
    Bytes bytes = ProjectorConfiguration();
    EXPECT_EQ(Usable(bytes, 0), 0u);
    EXPECT_EQ(Usable(bytes, 8), 0u);
    bytes[0] = 5;  // configuration head shorter than its fields
    EXPECT_EQ(Usable(bytes, bytes.size()), 0u);
    bytes = ProjectorConfiguration();
    SetTotalLength(bytes, 8);
    EXPECT_EQ(Usable(bytes, bytes.size()), 0u);
    bytes = ProjectorConfiguration();
    bytes[0] = 0;
    EXPECT_EQ(Usable(bytes, bytes.size()), 0u);
}

}  // namespace
