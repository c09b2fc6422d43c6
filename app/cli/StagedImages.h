// The size of the staged image a download of each file will send, from the
// same conversion the download makes, so the progress bar can show bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/engine/PartitionTable.h"

namespace corvane::cli {

struct StagedImage {
    int result = 0;               // the conversion's result (negative: the download will refuse it)
    uint64_t bytes = 0;           // the staged image's size
    std::vector<int> partitions;  // partitions the file has data in
    std::vector<uint8_t> image;   // the staged image's bytes (keepImage only)
};

// Converts the file for a projector of this platform and layout.
StagedImage StageFile(const std::string& path, const char* platformId, bool matchHardware,
                      const PartitionTable& partitions, bool keepImage = false);

}  // namespace corvane::cli
