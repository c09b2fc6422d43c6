// Pieces of one conversion shared by the Intel hex and S-record readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "app/engine/EngineContext.h"
#include "app/files/RecordLine.h"

namespace corvane {

// ':', byte count (2), load offset (4), record type (2); the data follows.
inline constexpr size_t kIntelHeaderChars = 9;
// The record type is told by the type field's second digit alone.
inline constexpr size_t kIntelTypeChar = 8;
// 'S', kind, byte count (2); the address field follows.
inline constexpr size_t kSRecordHeaderChars = 4;
inline constexpr size_t kPlatformTextChars = 10;

// Characters a record needs to hold what its byte count announces.
constexpr size_t IntelRecordChars(size_t byteCount) {
    return kIntelHeaderChars + 2 * byteCount + 2;  // data and checksum
}
constexpr size_t SRecordChars(size_t byteCount) {
    return kSRecordHeaderChars + 2 * byteCount;  // address, data and checksum
}

// Partitions the table describes, never more than it can hold.
constexpr int PartitionsInUse(const PartitionTable& table) {
    return table.count < kMaxPartitions ? table.count : kMaxPartitions;
}

struct ConversionState {
    EngineContext& ctx;
    uint8_t slot;
    PartitionFlags& flags;
    bool matchHardware;
    char projectorPlatform[kPlatformTextChars + 1] = {};    // always NUL-terminated
    char platformText[kPlatformTextChars + 1] = "UNKNOWN";  // byte 10 stays NUL
    bool identificationSeen = false;
    uint32_t segmentBase = 0;
    // Where each partition's addresses end (exclusive): at the next greater
    // start, whatever order the projector lists the starts in.
    uint64_t partitionEnd[kMaxPartitions] = {};
};

// Each returns 0 to go on with the next line, or a negative conversion result.
int ConvertIntelHexRecord(ConversionState& state, const RecordLine& line);
int ConvertSRecord(ConversionState& state, const RecordLine& line);

// Identification (Intel type F, S0): hexDigits holds dataBytes data bytes,
// already checked to be in the line.
int CheckIdentification(ConversionState& state, const char* hexDigits, size_t dataBytes);

// kConvertFormatError when a data record's checksum does not match its
// bytes, else 0.
int CheckDataChecksum(const RecordLine& line);

// Fills state.partitionEnd from the partition table.
void MeasurePartitions(ConversionState& state);

// Checks that a data record's bytes lie in the flash and marks every
// partition they fall in.
int AcceptDataRecord(ConversionState& state, uint32_t address, size_t dataBytes);

bool WriteEndBlock(FILE* stagedImage);

}  // namespace corvane
