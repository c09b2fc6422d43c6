#include "sim/FlashMemory.h"

#include <cstdio>

namespace corvane::sim {

FlashMemory::FlashMemory(uint32_t size, uint32_t seed) : bytes_(size) {
    for (uint32_t address = 0; address < size; ++address) {
        bytes_[address] = OldFirmwareByte(address, seed);
    }
}

uint8_t FlashMemory::OldFirmwareByte(uint32_t address, uint32_t seed) {
    // A small integer hash: every address gets a well-mixed byte, and the
    // content never looks erased.
    uint32_t x = address ^ seed;
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    const uint8_t byte = static_cast<uint8_t>(x);
    return byte == 0xFF ? 0x7F : byte;
}

bool FlashMemory::Erase(uint32_t begin, uint32_t end) {
    if (begin > end || end > bytes_.size()) {
        return false;
    }
    for (uint32_t address = begin; address < end; ++address) {
        bytes_[address] = 0xFF;
    }
    return true;
}

bool FlashMemory::Program(uint32_t address, const uint8_t* data, size_t length) {
    if (address > bytes_.size() || length > bytes_.size() - address) {
        return false;
    }
    for (size_t i = 0; i < length; ++i) {
        bytes_[address + i] &= data[i];
    }
    return true;
}

std::vector<uint8_t> FlashMemory::Read(uint32_t address, size_t length) const {
    if (address >= bytes_.size()) {
        return {};
    }
    const size_t available = bytes_.size() - address;
    const size_t count = length < available ? length : available;
    return std::vector<uint8_t>(bytes_.begin() + address, bytes_.begin() + address + count);
}

bool FlashMemory::DumpToFile(const std::string& path) const {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes_.data(), 1, bytes_.size(), file) == bytes_.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

}  // namespace corvane::sim
