// The projector's flash: erasing sets bytes to 0xFF, programming can only clear
// bits (new = old AND data), so a missing erase shows in the result. A new
// flash holds deterministic "old firmware" rather than 0xFF, so tests prove
// that erase and program really happened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane::sim {

class FlashMemory {
public:
    // `size` bytes of old firmware derived from `seed`.
    FlashMemory(uint32_t size, uint32_t seed);

    uint32_t Size() const { return static_cast<uint32_t>(bytes_.size()); }

    // Sets [begin, end) to 0xFF. False (nothing changed) if the range is not
    // inside the flash.
    bool Erase(uint32_t begin, uint32_t end);

    // ANDs `data` into the flash at `address`. False (nothing changed) if any
    // byte would fall outside the flash.
    bool Program(uint32_t address, const uint8_t* data, size_t length);

    // Bytes of [address, address + length) that lie inside the flash.
    std::vector<uint8_t> Read(uint32_t address, size_t length) const;
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

    // Writes the whole flash to `path`; false if the file cannot be written.
    bool DumpToFile(const std::string& path) const;

    // The old-firmware byte a new flash holds at `address`.
    static uint8_t OldFirmwareByte(uint32_t address, uint32_t seed);

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace corvane::sim
