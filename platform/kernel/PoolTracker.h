// Tagged pool allocations of the hosted kernel, tracked per tag so that tests
// can prove that every allocation was freed. New blocks are filled with 0xCD
// (pool memory is not zeroed on Windows either). Misuse (freeing an unknown
// block, a tag that does not match) is reported to the host, not executed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace corvane::kernel {

// The tag as the kernel stores it: "Wdm " is the bytes 57 64 6D 20.
constexpr uint32_t PoolTag(const char (&text)[5]) {
    return static_cast<uint32_t>(static_cast<unsigned char>(text[0])) |
           static_cast<uint32_t>(static_cast<unsigned char>(text[1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(text[2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(text[3])) << 24;
}
std::string PoolTagText(uint32_t tag);

struct PoolTagStats {
    uint64_t allocations = 0;
    uint64_t frees = 0;
    uint64_t failures = 0;          // allocations refused (injected)
    uint64_t pagedAllocations = 0;  // from a paged pool type
    std::size_t outstanding = 0;
    std::size_t outstandingBytes = 0;
};

class PoolTracker {
public:
    // Returns true to refuse an allocation (tag, size).
    using FailurePolicy = std::function<bool(uint32_t tag, std::size_t size)>;
    using ErrorSink = std::function<void(const std::string&)>;

    explicit PoolTracker(ErrorSink errors);
    ~PoolTracker();
    PoolTracker(const PoolTracker&) = delete;
    PoolTracker& operator=(const PoolTracker&) = delete;

    void* Allocate(std::size_t size, uint32_t tag, bool paged = false);
    // expectedTag 0 = any tag (ExFreePool).
    void Free(void* block, uint32_t expectedTag);

    // Whether [start, start + length) lies inside one live block; `paged`
    // tells whether that block came from a paged pool type.
    bool Holds(const void* start, std::size_t length, bool* paged) const;

    std::size_t Outstanding(uint32_t tag) const;
    std::size_t OutstandingTotal() const;
    PoolTagStats Stats(uint32_t tag) const;
    std::map<uint32_t, PoolTagStats> AllStats() const;

    void SetFailurePolicy(FailurePolicy policy);
    // Refuses the next `count` allocations with `tag` (0 = any tag).
    void FailNextAllocations(int count, uint32_t tag = 0);

private:
    struct Block {
        std::size_t size;
        uint32_t tag;
        bool paged;
    };

    ErrorSink errors_;
    mutable std::mutex mutex_;
    // Ordered by address, so that the block around an address can be found.
    std::map<const void*, Block, std::less<>> blocks_;
    std::map<uint32_t, PoolTagStats> stats_;
    FailurePolicy policy_;
    int failCount_ = 0;
    uint32_t failTag_ = 0;
};

}  // namespace corvane::kernel
