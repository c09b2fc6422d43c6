// IO_REMOVE_LOCK with the kernel's semantics: the count starts at 1 (the
// lock's own bias); acquiring after removal began fails with
// STATUS_DELETE_PENDING; release-and-wait drops the caller's and the bias's
// count and waits until every holder has released. Each release must name a
// tag the lock is held with.
#include "platform/kernel/CurrentHost.h"
#include "platform/kernel/GenerationExports.h"
#include "platform/kernel/KernelHost.h"

using corvane::kernel::CurrentHost;
using corvane::kernel::RequireExportFrom2000;

extern "C" {

VOID IoInitializeRemoveLockEx(PIO_REMOVE_LOCK Lock, ULONG, ULONG, ULONG, ULONG) {
    RequireExportFrom2000("IoInitializeRemoveLockEx");
    __atomic_store_n(&Lock->Common.Removed, FALSE, __ATOMIC_SEQ_CST);
    __atomic_store_n(&Lock->Common.IoCount, 1, __ATOMIC_SEQ_CST);
    CurrentHost().Events().Initialize(&Lock->Common.RemoveEvent, SynchronizationEvent, false);
    CurrentHost().LockTags().Reset(Lock);
}

namespace {

void ReleaseTag(PIO_REMOVE_LOCK lock, PVOID tag) {
    if (!CurrentHost().LockTags().Released(lock, tag)) {
        CurrentHost().ReportViolation(
            "IoReleaseRemoveLock with a tag the lock was not acquired with");
    }
}

}  // namespace

NTSTATUS IoAcquireRemoveLockEx(PIO_REMOVE_LOCK RemoveLock, PVOID Tag, PCSTR, ULONG, ULONG) {
    RequireExportFrom2000("IoAcquireRemoveLockEx");
    InterlockedIncrement(&RemoveLock->Common.IoCount);
    if (__atomic_load_n(&RemoveLock->Common.Removed, __ATOMIC_SEQ_CST)) {
        if (InterlockedDecrement(&RemoveLock->Common.IoCount) == 0) {
            CurrentHost().Events().Set(&RemoveLock->Common.RemoveEvent);
        }
        return STATUS_DELETE_PENDING;
    }
    CurrentHost().LockTags().Acquired(RemoveLock, Tag);
    return STATUS_SUCCESS;
}

VOID IoReleaseRemoveLockEx(PIO_REMOVE_LOCK RemoveLock, PVOID Tag, ULONG) {
    RequireExportFrom2000("IoReleaseRemoveLockEx");
    ReleaseTag(RemoveLock, Tag);
    LONG count = InterlockedDecrement(&RemoveLock->Common.IoCount);
    if (count < 0) {
        CurrentHost().ReportViolation("IoReleaseRemoveLock without a matching acquire");
    }
    if (count == 0) {
        CurrentHost().Events().Set(&RemoveLock->Common.RemoveEvent);
    }
}

VOID IoReleaseRemoveLockAndWaitEx(PIO_REMOVE_LOCK RemoveLock, PVOID Tag, ULONG) {
    RequireExportFrom2000("IoReleaseRemoveLockAndWaitEx");
    ReleaseTag(RemoveLock, Tag);
    __atomic_store_n(&RemoveLock->Common.Removed, TRUE, __ATOMIC_SEQ_CST);
    LONG count = InterlockedDecrement(&RemoveLock->Common.IoCount);  // the caller's acquire
    if (count <= 0) {
        CurrentHost().ReportViolation("IoReleaseRemoveLockAndWait without holding the lock");
    }
    if (InterlockedDecrement(&RemoveLock->Common.IoCount) > 0) {  // the bias
        CurrentHost().Events().Wait(&RemoveLock->Common.RemoveEvent, nullptr);
    }
}

}  // extern "C"
