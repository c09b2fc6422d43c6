#include "sim/Nvram.h"

#include <algorithm>

namespace corvane::sim {

Nvram::Nvram() : bytes_(kSize) {
    for (size_t i = 0; i < bytes_.size(); ++i) {
        bytes_[i] = static_cast<uint8_t>((i * 37 + 11) % 251);
    }
}

void Nvram::Clear() {
    std::fill(bytes_.begin(), bytes_.end(), 0xFF);
    ++clearCount_;
}

bool Nvram::IsCleared() const {
    return std::all_of(bytes_.begin(), bytes_.end(), [](uint8_t b) { return b == 0xFF; });
}

}  // namespace corvane::sim
