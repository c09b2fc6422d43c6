#include "platform/kernel/PendingLedger.h"

#include <algorithm>
#include <cstdio>

namespace corvane::kernel {

uint64_t PendingLedger::Begin(CCHAR level, UCHAR major) {
    std::lock_guard lock(mutex_);
    uint64_t id = nextId_++;
    sends_.push_back(Send{id, level, major, false, false, false, STATUS_SUCCESS});
    return id;
}

std::optional<std::string> PendingLedger::Returned(uint64_t send, NTSTATUS status) {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(sends_.begin(), sends_.end(),
                           [send](const Send& each) { return each.id == send; });
    if (it == sends_.end()) {
        return std::nullopt;
    }
    it->returned = true;
    it->status = status;
    if (!it->completed) {
        return std::nullopt;  // decided when the request completes
    }
    std::optional<std::string> verdict = Judge(*it);
    sends_.erase(it);
    return verdict;
}

std::optional<std::string> PendingLedger::Completed(CCHAR level, bool markedPending) {
    std::lock_guard lock(mutex_);
    std::optional<std::string> verdict;
    for (auto it = sends_.begin(); it != sends_.end();) {
        if (it->level != level || it->completed) {
            ++it;
            continue;
        }
        it->completed = true;
        it->marked = markedPending;
        if (!it->returned) {
            ++it;
            continue;
        }
        if (!verdict) {
            verdict = Judge(*it);
        }
        it = sends_.erase(it);
    }
    return verdict;
}

std::optional<std::string> PendingLedger::Judge(const Send& send) {
    bool pending = send.status == STATUS_PENDING;
    if (pending == send.marked) {
        return std::nullopt;
    }
    char text[160];
    if (pending) {
        std::snprintf(text, sizeof text,
                      "STATUS_PENDING returned without IoMarkIrpPending (major 0x%02X)",
                      static_cast<unsigned>(send.major));
    } else {
        std::snprintf(text, sizeof text,
                      "IoMarkIrpPending without returning STATUS_PENDING (major 0x%02X returned "
                      "0x%08X)",
                      static_cast<unsigned>(send.major), static_cast<unsigned>(send.status));
    }
    return std::string(text);
}

}  // namespace corvane::kernel
