#include "platform/kernel/RemoveLockTags.h"

#include <algorithm>

namespace corvane::kernel {

void RemoveLockTags::Reset(PIO_REMOVE_LOCK lock) {
    std::lock_guard guard(mutex_);
    held_.erase(lock);
}

void RemoveLockTags::Acquired(PIO_REMOVE_LOCK lock, PVOID tag) {
    std::lock_guard guard(mutex_);
    held_[lock].push_back(tag);
}

bool RemoveLockTags::Released(PIO_REMOVE_LOCK lock, PVOID tag) {
    std::lock_guard guard(mutex_);
    auto entry = held_.find(lock);
    if (entry == held_.end()) {
        return false;
    }
    std::vector<PVOID>& tags = entry->second;
    auto found = std::find(tags.begin(), tags.end(), tag);
    if (found == tags.end()) {
        return false;
    }
    tags.erase(found);
    if (tags.empty()) {
        held_.erase(entry);
    }
    return true;
}

}  // namespace corvane::kernel
