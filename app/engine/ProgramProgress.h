// The programming progress as a percentage of the staged image sent, in
// 64-bit arithmetic so that large images cannot overflow it.
#pragma once

#include <cstdint>

namespace corvane {

constexpr uint32_t ProgramProgressPercent(int64_t position, int64_t size) {
    if (size <= 0 || position <= 0) {
        return 0;
    }
    const int64_t percent = position / size >= 1 ? 100 : position * 100 / size;
    return static_cast<uint32_t>(percent > 100 ? 100 : percent);
}

}  // namespace corvane
