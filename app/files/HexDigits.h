// Hexadecimal digits as firmware records write them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane {

// The byte value of two hex digits ('A'-'F' and 'a'-'f' alike). No character
// is rejected: anything else still yields some value, as stored files expect.
uint8_t HexPairToByte(char high, char low);

bool IsHexDigit(char c);

// Reads up to maxDigits hex digits of text[start, length), stopping at the
// first other character or the end of the text. False (value untouched) when
// the field does not start with a hex digit.
bool ReadHexField(const char* text, size_t length, size_t start, size_t maxDigits, uint32_t& value);

}  // namespace corvane
