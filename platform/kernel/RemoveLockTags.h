// Which tags hold each remove lock, as a checked kernel keeps them: a release
// must name a tag the lock was acquired with.
#pragma once

#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/kernel/ddk/wdm.h"

namespace corvane::kernel {

class RemoveLockTags {
public:
    void Reset(PIO_REMOVE_LOCK lock);
    void Acquired(PIO_REMOVE_LOCK lock, PVOID tag);
    // False when `tag` does not hold the lock.
    bool Released(PIO_REMOVE_LOCK lock, PVOID tag);

private:
    std::mutex mutex_;
    std::unordered_map<PIO_REMOVE_LOCK, std::vector<PVOID>> held_;
};

}  // namespace corvane::kernel
