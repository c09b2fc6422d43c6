// Parsing of the projector's partition descriptor, the text of its reply to
// "B" after the ACK with the closing carriage return already cut off:
//   decimal count "," hex flash size "," hex start 0 "," ... hex start count-1
// Hex numbers carry no prefix; the second "," is required even for count 0.
#pragma once

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "app/engine/PartitionTable.h"

namespace corvane {

inline constexpr int kDescriptorDone = 1;
inline constexpr int kDescriptorMalformed = 3;

namespace partition_descriptor_detail {

// Reads a hexadecimal number the way "%lx" does (leading white space, optional
// sign and 0x). A text without digits leaves the field as it was. Values that
// do not fit the 32-bit field saturate instead of wrapping.
inline void ScanHex(const char* text, uint32_t& field) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 16);
    if (end == text) {
        return;
    }
    field = value > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(value);
}

}  // namespace partition_descriptor_detail

// Returns kDescriptorDone (1) or kDescriptorMalformed (3). The descriptor is
// parsed into a copy and the table is replaced only when the whole descriptor
// is sound, so a malformed reply never leaves a half-written table behind. A
// count above what the table holds is malformed; it is rejected before it is
// narrowed to the 8-bit field, so "300" cannot wrap to a small count.
inline int ParsePartitionDescriptor(const char* text, PartitionTable& table) {
    using partition_descriptor_detail::ScanHex;
    PartitionTable parsed = table;

    // atoi semantics, but without its undefined behaviour on overflow.
    const long announced = std::strtol(text, nullptr, 10);
    if (announced < 0 || announced > kMaxPartitions) {
        return kDescriptorMalformed;
    }
    parsed.count = static_cast<uint8_t>(announced);

    const char* firstComma = std::strchr(text, ',');
    if (firstComma == nullptr) {
        return kDescriptorMalformed;
    }
    ScanHex(firstComma + 1, parsed.flashSize);

    const char* secondComma = std::strchr(firstComma + 1, ',');
    if (secondComma == nullptr) {
        return kDescriptorMalformed;
    }
    const char* position = secondComma + 1;

    for (int i = 0; i < parsed.count; ++i) {
        ScanHex(position, parsed.start[i]);
        if (i < parsed.count - 1) {
            const char* comma = std::strchr(position, ',');
            if (comma == nullptr) {
                return kDescriptorMalformed;
            }
            position = comma + 1;
        }
    }
    table = parsed;
    return kDescriptorDone;
}

}  // namespace corvane
