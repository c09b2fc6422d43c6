// The controller board's non-volatile settings store. Its content is
// deterministic, not 0xFF, until "C" clears it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane::sim {

class Nvram {
public:
    static constexpr size_t kSize = 2048;

    Nvram();

    void Clear();
    bool IsCleared() const;
    int ClearCount() const { return clearCount_; }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    int clearCount_ = 0;
};

}  // namespace corvane::sim
