#include "app/files/HexDigits.h"

namespace corvane {

namespace {

uint8_t StrictDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<uint8_t>(c - '0');
    }
    return static_cast<uint8_t>((c | 0x20) - 'a' + 10);
}

}  // namespace

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool ReadHexField(const char* text, size_t length, size_t start, size_t maxDigits,
                  uint32_t& value) {
    if (start >= length || !IsHexDigit(text[start])) {
        return false;
    }
    uint32_t result = 0;
    for (size_t i = start; i < length && i < start + maxDigits && IsHexDigit(text[i]); ++i) {
        result = result * 16 + StrictDigitValue(text[i]);
    }
    value = result;
    return true;
}

}  // namespace corvane
