// The checksum every firmware record carries, read the way the conversion
// reads the record: the bytes its byte count announces, two characters each,
// then the checksum. Intel hex: two's complement of the sum of count, offset,
// type and data, so that all bytes with the checksum sum to 0. S-records:
// one's complement of the sum of count, address and data.
#pragma once

#include <cstdint>

#include "app/files/RecordLine.h"

namespace corvane {

struct RecordChecksum {
    uint8_t stored = 0;
    uint8_t expected = 0;
    bool Matches() const { return stored == expected; }
};

// False when the line is neither an Intel hex record nor an S-record of a
// numbered kind, or is too short to hold what its byte count announces.
bool ReadRecordChecksum(const RecordLine& line, RecordChecksum& checksum);

// Records whose bytes are programmed: Intel hex data records (the type told
// by its second digit alone) and S1, S2 and S3. A conversion refuses a file
// in which one of them has a wrong checksum; other records' checksums it
// ignores.
bool IsDataRecord(const RecordLine& line);

}  // namespace corvane
