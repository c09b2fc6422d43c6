#include "platform/kernel/IrpQuarantine.h"

#include <cstdint>
#include <cstring>
#include <new>

#ifdef CORVANE_KERNEL_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace corvane::kernel {

namespace {
constexpr std::align_val_t kIrpAlignment{16};
}

IrpQuarantine::~IrpQuarantine() {
    for (const Block& block : blocks_) {
        Release(block);
    }
}

void IrpQuarantine::Hold(void* memory, std::size_t size, std::size_t headerSize,
                         uint32_t freedMagic) {
    std::memset(memory, kPattern, size);
    std::memcpy(memory, &freedMagic, sizeof freedMagic);
#ifdef CORVANE_KERNEL_ASAN
    ASAN_POISON_MEMORY_REGION(static_cast<unsigned char*>(memory) + headerSize, size - headerSize);
#endif
    Block evicted{nullptr, 0, 0};
    {
        std::lock_guard lock(mutex_);
        blocks_.push_back(Block{memory, size, headerSize});
        if (blocks_.size() > kCapacity) {
            evicted = blocks_.front();
            blocks_.pop_front();
        }
    }
    if (evicted.memory != nullptr) {
        Release(evicted);
    }
}

void IrpQuarantine::Release(const Block& block) {
#ifdef CORVANE_KERNEL_ASAN
    ASAN_UNPOISON_MEMORY_REGION(static_cast<unsigned char*>(block.memory) + block.headerSize,
                                block.size - block.headerSize);
#else
    (void)block.headerSize;
#endif
    ::operator delete(block.memory, kIrpAlignment);
}

}  // namespace corvane::kernel
