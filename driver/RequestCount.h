// Counts the requests inside the driver so that removal can drain them before
// the device object (and its extension) goes away. The kernel's remove lock
// does the same but is exported only from Windows 2000 on, and Dornik loads
// on 98 and ME as well: this uses nothing but an event and atomic
// operations, which every generation has.
#pragma once

#include "driver/KernelApi.h"

typedef struct _REQUEST_COUNT {
    LONG volatile Count;     // 1 for the device itself plus one per request inside
    LONG volatile Removing;  // set once removal began; new requests are refused
    KEVENT Drained;
} REQUEST_COUNT, *PREQUEST_COUNT;

void InitializeRequestCount(PREQUEST_COUNT count);

// STATUS_DELETE_PENDING once removal began; the request must not go on then.
NTSTATUS EnterRequest(PREQUEST_COUNT count);
// Any IRQL up to DISPATCH_LEVEL (completion routines leave here too).
void LeaveRequest(PREQUEST_COUNT count);
// The removal request leaves, new requests are refused, and the caller waits
// until every request still inside has left. PASSIVE_LEVEL only.
void LeaveAndDrain(PREQUEST_COUNT count);
