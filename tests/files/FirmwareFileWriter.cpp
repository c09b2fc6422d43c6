#include "tests/files/FirmwareFileWriter.h"

#include <algorithm>
#include <cstdio>

namespace corvane::test {

namespace {

std::string Hex2(unsigned value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value & 0xFF);
    return text;
}

std::string WithChecksum(const Bytes& fields, uint8_t checksum) {
    std::string text;
    for (uint8_t byte : fields) {
        text += Hex2(byte);
    }
    return text + Hex2(checksum);
}

}  // namespace

std::string IntelRecord(uint8_t type, uint16_t offset, const Bytes& data) {
    Bytes fields = {static_cast<uint8_t>(data.size()), static_cast<uint8_t>(offset >> 8),
                    static_cast<uint8_t>(offset), type};
    fields.insert(fields.end(), data.begin(), data.end());
    uint8_t sum = 0;
    for (uint8_t byte : fields) {
        sum = static_cast<uint8_t>(sum + byte);
    }
    return ":" + WithChecksum(fields, static_cast<uint8_t>(-sum));
}

std::string SRecord(char kind, uint32_t address, int addressBytes, const Bytes& data) {
    Bytes fields = {static_cast<uint8_t>(addressBytes + data.size() + 1)};
    for (int i = addressBytes - 1; i >= 0; --i) {
        fields.push_back(static_cast<uint8_t>(address >> (8 * i)));
    }
    fields.insert(fields.end(), data.begin(), data.end());
    uint8_t sum = 0;
    for (uint8_t byte : fields) {
        sum = static_cast<uint8_t>(sum + byte);
    }
    return std::string("S") + kind + WithChecksum(fields, static_cast<uint8_t>(~sum));
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

Bytes Pattern(size_t size, uint8_t seed) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 31 + seed + (i >> 8));
    }
    return bytes;
}

Bytes TextBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

std::string IntelHexFile(uint32_t address, const Bytes& data, const FileLayout& layout) {
    std::string file;
    if (!layout.identification.empty()) {
        file += IntelRecord(0x0F, 0, TextBytes(layout.identification)) + layout.lineEnd;
    }
    uint32_t segment = 0;
    for (size_t done = 0; done < data.size();) {
        const uint32_t at = address + static_cast<uint32_t>(done);
        if (at - segment * 16 >= 0x10000) {
            segment = (at >> 4) & 0xF000;
            file += IntelRecord(0x02, 0, {static_cast<uint8_t>(segment >> 8), 0}) + layout.lineEnd;
        }
        // Records stop at the 64 KiB edge of their segment.
        const size_t size = std::min(
            {layout.recordSize, data.size() - done, size_t{0x10000} - (at - segment * 16)});
        const Bytes record(data.begin() + static_cast<long>(done),
                           data.begin() + static_cast<long>(done + size));
        file +=
            IntelRecord(0x00, static_cast<uint16_t>(at - segment * 16), record) + layout.lineEnd;
        done += size;
    }
    return file + IntelRecord(0x01, 0, {}) + layout.lineEnd;
}

std::string SRecordFile(uint32_t address, const Bytes& data, const FileLayout& layout) {
    std::string file;
    if (!layout.identification.empty()) {
        file += SRecord('0', 0, 2, TextBytes(layout.identification)) + layout.lineEnd;
    }
    const uint64_t end = uint64_t{address} + data.size();
    const int addressBytes = end <= 0x10000 ? 2 : end <= 0x1000000 ? 3 : 4;
    const char dataKind = static_cast<char>('0' + addressBytes - 1);
    const char endKind = static_cast<char>('9' + 2 - addressBytes);  // S9, S8, S7
    unsigned records = 0;
    for (size_t done = 0; done < data.size(); done += layout.recordSize, ++records) {
        const size_t size = std::min(layout.recordSize, data.size() - done);
        const Bytes record(data.begin() + static_cast<long>(done),
                           data.begin() + static_cast<long>(done + size));
        file += SRecord(dataKind, address + static_cast<uint32_t>(done), addressBytes, record) +
                layout.lineEnd;
    }
    file += SRecord('5', records, 2, {}) + layout.lineEnd;
    return file + SRecord(endKind, 0, addressBytes, {}) + layout.lineEnd;
}

}  // namespace corvane::test
