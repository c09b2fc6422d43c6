#include "platform/kernel/PoolTracker.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <new>
#include <utility>

namespace corvane::kernel {

namespace {
constexpr std::align_val_t kPoolAlignment{16};
}

std::string PoolTagText(uint32_t tag) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        char c = static_cast<char>((tag >> (8 * i)) & 0xFF);
        text.push_back(c >= 0x20 && c < 0x7F ? c : '?');
    }
    return text;
}

PoolTracker::PoolTracker(ErrorSink errors) : errors_(std::move(errors)) {}

PoolTracker::~PoolTracker() {
    for (auto& [block, info] : blocks_) {
        ::operator delete(const_cast<void*>(block), kPoolAlignment);
    }
}

void* PoolTracker::Allocate(std::size_t size, uint32_t tag, bool paged) {
    FailurePolicy policy;
    {
        std::lock_guard lock(mutex_);
        if (failCount_ > 0 && (failTag_ == 0 || failTag_ == tag)) {
            --failCount_;
            ++stats_[tag].failures;
            return nullptr;
        }
        policy = policy_;
    }
    if (policy && policy(tag, size)) {
        std::lock_guard lock(mutex_);
        ++stats_[tag].failures;
        return nullptr;
    }
    void* block = ::operator new(size == 0 ? 1 : size, kPoolAlignment, std::nothrow);
    if (block == nullptr) {
        return nullptr;
    }
    std::memset(block, 0xCD, size == 0 ? 1 : size);
    std::lock_guard lock(mutex_);
    blocks_.emplace(block, Block{size, tag, paged});
    PoolTagStats& stats = stats_[tag];
    ++stats.allocations;
    stats.pagedAllocations += paged ? 1 : 0;
    ++stats.outstanding;
    stats.outstandingBytes += size;
    return block;
}

void PoolTracker::Free(void* block, uint32_t expectedTag) {
    std::string error;
    {
        std::lock_guard lock(mutex_);
        auto it = blocks_.find(block);
        if (it == blocks_.end()) {
            char text[96];
            std::snprintf(text, sizeof text, "pool: free of a block that is not allocated (%p)",
                          block);
            error = text;
        } else if (expectedTag != 0 && it->second.tag != expectedTag) {
            error = "pool: ExFreePoolWithTag with tag '" + PoolTagText(expectedTag) +
                    "' for a block tagged '" + PoolTagText(it->second.tag) + "'";
        } else {
            PoolTagStats& stats = stats_[it->second.tag];
            ++stats.frees;
            --stats.outstanding;
            stats.outstandingBytes -= it->second.size;
            blocks_.erase(it);
            ::operator delete(block, kPoolAlignment);
            return;
        }
    }
    errors_(error);
}

bool PoolTracker::Holds(const void* start, std::size_t length, bool* paged) const {
    std::lock_guard lock(mutex_);
    auto above = blocks_.upper_bound(start);
    if (above == blocks_.begin()) {
        return false;
    }
    const auto& [block, info] = *std::prev(above);
    auto offset = reinterpret_cast<uintptr_t>(start) - reinterpret_cast<uintptr_t>(block);
    if (offset > info.size || length > info.size - offset) {
        return false;
    }
    *paged = info.paged;
    return true;
}

std::size_t PoolTracker::Outstanding(uint32_t tag) const {
    std::lock_guard lock(mutex_);
    auto it = stats_.find(tag);
    return it == stats_.end() ? 0 : it->second.outstanding;
}

std::size_t PoolTracker::OutstandingTotal() const {
    std::lock_guard lock(mutex_);
    return blocks_.size();
}

PoolTagStats PoolTracker::Stats(uint32_t tag) const {
    std::lock_guard lock(mutex_);
    auto it = stats_.find(tag);
    return it == stats_.end() ? PoolTagStats{} : it->second;
}

std::map<uint32_t, PoolTagStats> PoolTracker::AllStats() const {
    std::lock_guard lock(mutex_);
    return stats_;
}

void PoolTracker::SetFailurePolicy(FailurePolicy policy) {
    std::lock_guard lock(mutex_);
    policy_ = std::move(policy);
}

void PoolTracker::FailNextAllocations(int count, uint32_t tag) {
    std::lock_guard lock(mutex_);
    failCount_ = count;
    failTag_ = tag;
}

}  // namespace corvane::kernel
