#include "app/engine/Crc16.h"

#include <gtest/gtest.h>

#include <cstring>

namespace corvane {
namespace {

const uint8_t* Bytes(const char* text) {
    return reinterpret_cast<const uint8_t*>(text);
}

// The table is usable at compile time.
constexpr uint8_t kDigits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
static_assert(ComputeCrc16(kDigits, 9, 0) == 0xBB3D);

TEST(Crc16Test, KnownSumsZeroLengthAndContinuation) {
    const uint8_t zero = 0x00;
    const uint8_t ones = 0xFF;
    EXPECT_EQ(ComputeCrc16(Bytes("123456789"), 9, 0), 0xBB3D);  // the check value
    EXPECT_EQ(ComputeCrc16(&zero, 1, 0), 0x0000);
    EXPECT_EQ(ComputeCrc16(&ones, 1, 0), 0x4040);
    EXPECT_EQ(ComputeCrc16(Bytes("A"), 1, 0), 0x30C0);
    // Zero length returns the initial value.
    EXPECT_EQ(ComputeCrc16(nullptr, 0, 0), 0x0000);
    EXPECT_EQ(ComputeCrc16(Bytes("x"), 0, 0x1234), 0x1234);
    // Continuing from a partial sum equals one pass.
    const uint16_t first = ComputeCrc16(Bytes("1234"), 4, 0);
    EXPECT_EQ(ComputeCrc16(Bytes("56789"), 5, first), 0xBB3D);
}

// Bit-at-a-time reference: the table must agree with it on every byte value.
uint16_t BitwiseCrc16(const uint8_t* bytes, size_t length) {
    uint16_t crc = 0;
    for (size_t i = 0; i < length; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<uint16_t>(crc >> 1);
        }
    }
    return crc;
}

TEST(Crc16Test, AgreesWithTheBitwiseDefinitionOverAllByteValues) {
    uint8_t bytes[512];
    for (size_t i = 0; i < sizeof bytes; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    }
    for (size_t length = 0; length <= sizeof bytes; length += 37) {
        EXPECT_EQ(ComputeCrc16(bytes, length, 0), BitwiseCrc16(bytes, length)) << length;
    }
    for (unsigned value = 0; value < 256; ++value) {
        const uint8_t one = static_cast<uint8_t>(value);
        EXPECT_EQ(ComputeCrc16(&one, 1, 0), BitwiseCrc16(&one, 1)) << value;
    }
}

}  // namespace
}  // namespace corvane
