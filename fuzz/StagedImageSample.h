// A small flash layout and a staged image of three data blocks in it, with
// the checksum a projector holding exactly that image would report.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/engine/PartitionTable.h"

namespace corvane::fuzz {

inline constexpr int kSamplePartitionCount = 4;

// Partitions at 0, 100, 200 and 300 of a 400-byte flash.
PartitionTable SamplePartitions();
// The staged blocks in order, each as written (header and data), the end
// block last.
std::vector<std::string> SampleBlocks();
// A temporary file holding the blocks, positioned at its start.
FILE* WriteSampleImage();
// CRC-16/ARC over the first run of flagged partitions of the flash after
// programming the sample (every other byte erased, 0xFF). False when no
// partition is flagged.
bool SampleRangeChecksum(const PartitionTable& table, const PartitionFlags& flags,
                         uint16_t& checksum);

}  // namespace corvane::fuzz
