// The driver's synchronous request routines: URB submission, passing a
// request down and waiting for it, and completing a request.
#pragma once

#include "driver/KernelApi.h"

// Hands `urb` to the USB stack below and waits until it is done. PASSIVE_LEVEL only.
NTSTATUS SendUrb(PDEVICE_OBJECT deviceObject, PURB urb);

// Passes `irp` to the lower driver and waits; the request then belongs to the caller again.
NTSTATUS ForwardAndWait(PDEVICE_OBJECT deviceObject, PIRP irp);
NTSTATUS NTAPI OnRequestComplete(PDEVICE_OBJECT deviceObject, PIRP irp, PVOID context);

NTSTATUS CompleteRequest(PIRP irp, NTSTATUS status, ULONG_PTR information);

// Skips this driver's stack location and calls the lower driver.
NTSTATUS PassDown(PDEVICE_OBJECT deviceObject, PIRP irp);

// Fills a bulk-or-interrupt transfer block; no MDL, no linked block.
void BuildBulkTransfer(URB* urb, USBD_PIPE_HANDLE pipe, ULONG flags, PVOID buffer, ULONG length);
