// CRC-16/ARC (reflected polynomial 0xA001, no final XOR), table driven. The
// projector answers "V" with this checksum over its flash, and the host
// compares it with the same sum over the bytes it staged.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace corvane {

namespace crc16_detail {

inline constexpr uint16_t kReflectedPolynomial = 0xA001;

constexpr std::array<uint16_t, 256> BuildCrc16Table() {
    std::array<uint16_t, 256> table{};
    for (unsigned index = 0; index < 256; ++index) {
        uint16_t crc = static_cast<uint16_t>(index);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ kReflectedPolynomial)
                            : static_cast<uint16_t>(crc >> 1);
        }
        table[index] = crc;
    }
    return table;
}

inline constexpr std::array<uint16_t, 256> kCrc16Table = BuildCrc16Table();

}  // namespace crc16_detail

// Continues a checksum over length bytes from initial; a length of 0 returns
// initial. With initial 0 the result is the standard CRC-16/ARC.
constexpr uint16_t ComputeCrc16(const uint8_t* bytes, size_t length, uint16_t initial) {
    uint16_t crc = initial;
    for (size_t i = 0; i < length; ++i) {
        crc =
            static_cast<uint16_t>(crc16_detail::kCrc16Table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8));
    }
    return crc;
}

}  // namespace corvane
