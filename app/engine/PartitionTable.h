// The projector's flash layout as its partition descriptor reported it.
#pragma once

#include <cstdint>

namespace corvane {

inline constexpr int kMaxPartitions = 64;

struct PartitionTable {
    uint8_t count = 0;
    uint32_t flashSize = 0;  // end of the last partition (exclusive)
    uint32_t start[kMaxPartitions] = {};
};

// One flag per partition: 1 when the current file has data in it.
struct PartitionFlags {
    uint8_t flag[kMaxPartitions] = {};
};

}  // namespace corvane
