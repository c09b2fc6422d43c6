// Freed IRPs are not returned to the heap at once: each is filled with a
// pattern, marked as freed and kept among the last kCapacity freed, so that a
// driver touching a request after its final completion reads the pattern (or,
// under AddressSanitizer, faults on the poisoned memory), and completing or
// sending it again is caught by the kernel's check of the IRP's header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>

#if defined(__SANITIZE_ADDRESS__)
#define CORVANE_KERNEL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CORVANE_KERNEL_ASAN 1
#endif
#endif

namespace corvane::kernel {

class IrpQuarantine {
public:
    static constexpr std::size_t kCapacity = 64;
    static constexpr unsigned char kPattern = 0xDD;
#ifdef CORVANE_KERNEL_ASAN
    static constexpr bool kSanitizerPoisons = true;
#else
    static constexpr bool kSanitizerPoisons = false;
#endif

    IrpQuarantine() = default;
    ~IrpQuarantine();
    IrpQuarantine(const IrpQuarantine&) = delete;
    IrpQuarantine& operator=(const IrpQuarantine&) = delete;

    // Takes a block of `size` bytes (from ::operator new with `alignment`):
    // fills it with the pattern, writes `freedMagic` into its first four bytes
    // and keeps it; the first `headerSize` bytes stay readable.
    void Hold(void* block, std::size_t size, std::size_t headerSize, uint32_t freedMagic);

private:
    struct Block {
        void* memory;
        std::size_t size;
        std::size_t headerSize;
    };
    static void Release(const Block& block);

    std::mutex mutex_;
    std::deque<Block> blocks_;
};

}  // namespace corvane::kernel
