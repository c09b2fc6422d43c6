// Hexadecimal digits as firmware records write them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace corvane {

namespace hex_detail {

// A character's digit value: upper-cased, then its value minus '0' at or
// below '9' and minus '7' above (so 'A'-'F' and 'a'-'f' give 10-15), in 8
// bits. Every character has one; a table, because a conversion looks up two
// per data byte.
constexpr std::array<uint8_t, 256> BuildDigitValues() {
    std::array<uint8_t, 256> values{};
    for (unsigned c = 0; c < 256; ++c) {
        const unsigned upper = c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c;
        values[c] = static_cast<uint8_t>(upper <= '9' ? upper - '0' : upper - '7');
    }
    return values;
}

inline constexpr std::array<uint8_t, 256> kDigitValues = BuildDigitValues();

}  // namespace hex_detail

// The byte value of two hex digits ('A'-'F' and 'a'-'f' alike). No character
// is rejected: anything else still yields some value, as stored files expect.
inline uint8_t HexPairToByte(char high, char low) {
    return static_cast<uint8_t>(hex_detail::kDigitValues[static_cast<unsigned char>(high)] * 16 +
                                hex_detail::kDigitValues[static_cast<unsigned char>(low)]);
}

bool IsHexDigit(char c);

// Reads up to maxDigits hex digits of text[start, length), stopping at the
// first other character or the end of the text. False (value untouched) when
// the field does not start with a hex digit.
bool ReadHexField(const char* text, size_t length, size_t start, size_t maxDigits, uint32_t& value);

}  // namespace corvane
