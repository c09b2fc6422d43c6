// The driver's request count; see RequestCount.h. The counter uses the
// compiler's atomic operations, which become locked instructions, rather
// than the kernel's Interlocked exports: the count then needs no import at
// all beyond the event routines.
#include "driver/RequestCount.h"

namespace {

LONG Add(LONG volatile* value, LONG delta) {
    return __atomic_add_fetch(value, delta, __ATOMIC_SEQ_CST);
}

}  // namespace

void InitializeRequestCount(PREQUEST_COUNT count) {
    count->Count = 1;
    count->Removing = 0;
    KeInitializeEvent(&count->Drained, NotificationEvent, FALSE);
}

NTSTATUS EnterRequest(PREQUEST_COUNT count) {
    Add(&count->Count, 1);
    // Removal sets the flag on another thread.
    if (__atomic_load_n(&count->Removing, __ATOMIC_SEQ_CST) != 0) {
        LeaveRequest(count);
        return STATUS_DELETE_PENDING;
    }
    return STATUS_SUCCESS;
}

void LeaveRequest(PREQUEST_COUNT count) {
    if (Add(&count->Count, -1) == 0) {
        KeSetEvent(&count->Drained, IO_NO_INCREMENT, FALSE);
    }
}

void LeaveAndDrain(PREQUEST_COUNT count) {
    __atomic_store_n(&count->Removing, 1, __ATOMIC_SEQ_CST);
    LeaveRequest(count);  // the removal request itself
    LeaveRequest(count);  // the device's own count: zero once the last request has left
    KeWaitForSingleObject(&count->Drained, Executive, KernelMode, FALSE, nullptr);
}
