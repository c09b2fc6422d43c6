#include "tests/cli/ExampleFlash.h"

namespace corvane::test {

namespace {

constexpr size_t kFlashSize = 0x100000;

}  // namespace

uint8_t ExampleByte(uint32_t address, uint32_t seed) {
    return static_cast<uint8_t>((address * 7 + seed + (address >> 8)) % 255);
}

size_t WrongDemoListBytes(const std::string& flash, const std::string& old) {
    if (flash.size() != kFlashSize || old.size() != kFlashSize) {
        return kFlashSize;
    }
    size_t wrong = 0;
    for (uint32_t a = 0; a < kFlashSize; ++a) {
        uint8_t expected = 0xFF;  // erased partitions 0, 1 and 3 beyond the files' data
        if (a < 0x4000) {
            expected = ExampleByte(a, 0x11);
        } else if (a >= 0x10000 && a < 0x20000) {
            expected = ExampleByte(a, 0x42);
        } else if (a >= 0xF0000 && a < 0xF0800) {
            expected = ExampleByte(a, 0x77);
        } else if (a >= 0x80000 && a < 0xF0000) {
            expected = static_cast<uint8_t>(old[a]);  // partition 2 is not touched
        }
        wrong += static_cast<uint8_t>(flash[a]) != expected ? 1 : 0;
    }
    return wrong;
}

}  // namespace corvane::test
