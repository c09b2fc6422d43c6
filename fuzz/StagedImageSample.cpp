#include "fuzz/StagedImageSample.h"

namespace corvane::fuzz {

namespace {

constexpr uint32_t kSampleFlashSize = 0x400;

std::string Block(uint32_t address, size_t length, uint8_t seed) {
    std::string block;
    block += '\0';
    for (int shift = 0; shift < 32; shift += 8) {
        block += static_cast<char>((address >> shift) & 0xFF);
    }
    block += static_cast<char>(length);
    for (size_t i = 0; i < length; ++i) {
        block += static_cast<char>(seed + 7 * i);
    }
    return block;
}

uint16_t Crc16Arc(const std::vector<uint8_t>& bytes) {
    uint16_t crc = 0;
    for (uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) != 0 ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                                 : static_cast<uint16_t>(crc >> 1);
        }
    }
    return crc;
}

}  // namespace

PartitionTable SamplePartitions() {
    PartitionTable table;
    table.count = kSamplePartitionCount;
    table.flashSize = kSampleFlashSize;
    for (int i = 0; i < kSamplePartitionCount; ++i) {
        table.start[i] = static_cast<uint32_t>(i) * 0x100;
    }
    return table;
}

std::vector<std::string> SampleBlocks() {
    return {Block(0x10, 16, 0x31), Block(0x180, 200, 0x52), Block(0x300, 5, 0x07),
            std::string("\x01\x00\x00\x00\x00\x00", 6)};
}

FILE* WriteSampleImage() {
    FILE* file = std::tmpfile();
    if (file == nullptr) {
        return nullptr;
    }
    for (const std::string& block : SampleBlocks()) {
        std::fwrite(block.data(), 1, block.size(), file);
    }
    std::fflush(file);
    std::rewind(file);
    return file;
}

bool SampleRangeChecksum(const PartitionTable& table, const PartitionFlags& flags,
                         uint16_t& checksum) {
    const int count = table.count < kMaxPartitions ? table.count : kMaxPartitions;
    int first = 0;
    while (first < count && flags.flag[first] == 0) {
        ++first;
    }
    if (first == count) {
        return false;
    }
    int last = first;
    while (last + 1 < count && flags.flag[last + 1] == 1) {
        ++last;
    }
    const uint32_t begin = table.start[first];
    const uint32_t end = last + 1 < count ? table.start[last + 1] : table.flashSize;
    std::vector<uint8_t> flash(kSampleFlashSize, 0xFF);
    for (const std::string& block : SampleBlocks()) {
        if (block[0] != 0) {
            continue;
        }
        const uint32_t address = static_cast<uint8_t>(block[1]) |
                                 static_cast<uint32_t>(static_cast<uint8_t>(block[2])) << 8;
        for (size_t i = 6; i < block.size(); ++i) {
            flash[address + i - 6] = static_cast<uint8_t>(block[i]);
        }
    }
    checksum = Crc16Arc(std::vector<uint8_t>(flash.begin() + begin, flash.begin() + end));
    return true;
}

}  // namespace corvane::fuzz
