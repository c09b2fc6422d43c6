// Writes firmware files the way common tools lay them out (srec_cat and
// friends): records with correct checksums, a chosen record size and line end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::test {

using Bytes = std::vector<uint8_t>;

// One Intel hex record without its line end.
std::string IntelRecord(uint8_t type, uint16_t offset, const Bytes& data);
// One S-record (kind '0'..'9') with an address of addressBytes bytes.
std::string SRecord(char kind, uint32_t address, int addressBytes, const Bytes& data);

// The lines, each ended by a line feed.
std::string Lines(const std::vector<std::string>& lines);

Bytes Pattern(size_t size, uint8_t seed = 0);
Bytes TextBytes(const std::string& text);

struct FileLayout {
    size_t recordSize = 16;
    std::string lineEnd = "\n";
    std::string identification;  // Intel type 'F' record or S0 header data; none when empty
};

// Data at address (below 1 MiB; extended segment records where an offset
// would pass 64 KiB), then the end-of-file record.
std::string IntelHexFile(uint32_t address, const Bytes& data, const FileLayout& layout);
// S0 header (when identification is set), S1/S2/S3 data records sized to the
// address, the S5 record count and the matching termination record.
std::string SRecordFile(uint32_t address, const Bytes& data, const FileLayout& layout);

}  // namespace corvane::test
