// The projector's flash partitions and their text form, the partition
// descriptor: decimal count "," hex flash size "," hex start 0 "," ... with
// upper-case digits and no prefix, e.g. "4,100000,0,10000,80000,F0000".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::sim {

struct PartitionLayout {
    uint32_t flashSize = 0;
    std::vector<uint32_t> starts;  // ascending; partition i ends where i + 1 starts

    // The index of the partition that starts exactly at `address`.
    std::optional<size_t> IndexStartingAt(uint32_t address) const;
    // End (exclusive) of partition `index`.
    uint32_t EndOf(size_t index) const;
    // Starts ascending, all inside a flash of 1 byte .. kMaxFlashSize.
    bool IsValid() const;

    bool operator==(const PartitionLayout&) const = default;
};

inline constexpr uint32_t kMaxFlashSize = 64u * 1024 * 1024;

// 1 MiB in four partitions: 0, 10000, 80000, F0000.
PartitionLayout DefaultPartitionLayout();

// The descriptor the projector reports for `layout`. A layout without
// partitions keeps the second comma ("0,80000,").
std::string FormatPartitionDescriptor(const PartitionLayout& layout);

// Strict reading of a descriptor: exactly `count` starts, hex digits only, a
// valid layout. "0,SIZE" and "0,SIZE," both describe an empty table.
std::optional<PartitionLayout> ParsePartitionDescriptor(std::string_view text);

}  // namespace corvane::sim
