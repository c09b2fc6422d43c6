// The pending rule of every IRP: a dispatch routine returns STATUS_PENDING
// exactly when its stack location was marked pending (IoMarkIrpPending, by
// the routine itself, or on its behalf while the request completed beneath
// it). Each IofCallDriver is a send; the rule is decided once the send has
// both returned and been completed through its location, in either order, so
// the ledger never reads an IRP that may already be gone.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel/ddk/wdm.h"

namespace corvane::kernel {

class PendingLedger {
public:
    // A dispatch routine is about to run on `level` (the IRP's CurrentLocation).
    uint64_t Begin(CCHAR level, UCHAR major);
    // It returned `status`; a broken rule comes back as the violation's text.
    std::optional<std::string> Returned(uint64_t send, NTSTATUS status);
    // Completion passed `level`, whose location was marked pending or not.
    std::optional<std::string> Completed(CCHAR level, bool markedPending);

private:
    struct Send {
        uint64_t id;
        CCHAR level;
        UCHAR major;
        bool returned;
        bool completed;
        bool marked;
        NTSTATUS status;
    };
    static std::optional<std::string> Judge(const Send& send);

    std::mutex mutex_;
    uint64_t nextId_ = 1;
    std::vector<Send> sends_;  // not yet decided
};

}  // namespace corvane::kernel
