// Plain read and write requests. The device object asks for neither buffered
// nor direct I/O, so the request carries the caller's own buffer; these
// routines run in the caller's thread and copy to and from it directly.
#include "driver/ReadWrite.h"

#include "driver/DeviceExtension.h"
#include "driver/Requests.h"

namespace {

// A zero-length request still gets a (one-byte) buffer, so "no memory" means no memory.
PUCHAR AllocateTransferBuffer(ULONG length) {
    return static_cast<PUCHAR>(
        ExAllocatePoolWithTag(NonPagedPool, length == 0 ? 1 : length, kDornikPoolTag));
}

NTSTATUS ReadPipe(PDEVICE_OBJECT deviceObject, PIRP irp) {
    ULONG length = IoGetCurrentIrpStackLocation(irp)->Parameters.Read.Length;
    DbgPrint("USBCTRL: DispatchRead - ReadLength: %d\n", length);
    if (length != 0 && irp->UserBuffer == nullptr) {
        return CompleteRequest(irp, STATUS_INVALID_PARAMETER, 0);
    }
    PUCHAR buffer = AllocateTransferBuffer(length);
    if (buffer == nullptr) {
        return CompleteRequest(irp, STATUS_NO_MEMORY, 0);
    }

    URB urb;
    BuildBulkTransfer(&urb, GetDeviceExtension(deviceObject)->HCIInputHandle,
                      USBD_TRANSFER_DIRECTION_IN | USBD_SHORT_TRANSFER_OK, buffer, length);
    NTSTATUS status = SendUrb(deviceObject, &urb);
    if (!NT_SUCCESS(status)) {
        DbgPrint("USBCTRL - Error %X trying to read data\n", status);
        ExFreePool(buffer);
        return CompleteRequest(irp, status, 0);
    }
    ULONG received = urb.UrbBulkOrInterruptTransfer.TransferBufferLength;
    if (received > length) {
        received = length;  // never more than the caller's buffer holds
    }
    RtlCopyMemory(irp->UserBuffer, buffer, received);
    ExFreePool(buffer);
    return CompleteRequest(irp, status, received);
}

NTSTATUS WritePipe(PDEVICE_OBJECT deviceObject, PIRP irp) {
    if (KeGetCurrentIrql() > DISPATCH_LEVEL) {
        RtlAssert(const_cast<char*>("KeGetCurrentIrql() <= DISPATCH_LEVEL"),
                  const_cast<char*>("ReadWrite"), 133, nullptr);
    }
    ULONG length = IoGetCurrentIrpStackLocation(irp)->Parameters.Write.Length;
    DbgPrint("USBCTRL: DispatchWrite - WriteLength: %d\n", length);
    if (length != 0 && irp->UserBuffer == nullptr) {
        return CompleteRequest(irp, STATUS_INVALID_PARAMETER, 0);
    }
    PUCHAR buffer = AllocateTransferBuffer(length);
    if (buffer == nullptr) {
        return CompleteRequest(irp, STATUS_NO_MEMORY, 0);
    }
    RtlCopyMemory(buffer, irp->UserBuffer, length);

    URB urb;
    BuildBulkTransfer(&urb, GetDeviceExtension(deviceObject)->HCIOutputHandle, 0, buffer, length);
    NTSTATUS status = SendUrb(deviceObject, &urb);
    ExFreePool(buffer);
    // A write reports no byte count, whether it went through or not.
    return CompleteRequest(irp, status, 0);
}

}  // namespace

NTSTATUS NTAPI DispatchRead(PDEVICE_OBJECT deviceObject, PIRP irp) {
    PDEVICE_EXTENSION extension = GetDeviceExtension(deviceObject);
    NTSTATUS status = EnterRequest(&extension->Requests);
    if (!NT_SUCCESS(status)) {
        return CompleteRequest(irp, status, 0);
    }
    status = ReadPipe(deviceObject, irp);
    LeaveRequest(&extension->Requests);
    return status;
}

NTSTATUS NTAPI DispatchWrite(PDEVICE_OBJECT deviceObject, PIRP irp) {
    PDEVICE_EXTENSION extension = GetDeviceExtension(deviceObject);
    NTSTATUS status = EnterRequest(&extension->Requests);
    if (!NT_SUCCESS(status)) {
        return CompleteRequest(irp, status, 0);
    }
    status = WritePipe(deviceObject, irp);
    LeaveRequest(&extension->Requests);
    return status;
}
