// Plain read and write requests. The device object asks for buffered I/O, so
// the data travels in the I/O manager's system buffer: non-paged, and the
// I/O manager's until the request completes, whichever thread runs here and
// whatever the caller does to its own buffer meanwhile. The transfer moves
// straight from and into it; the I/O manager copies back only the bytes
// reported.
#include "driver/ReadWrite.h"

#include "driver/DeviceExtension.h"
#include "driver/Requests.h"

namespace {

// The lengths the device-control path keeps to: the caller's length would
// otherwise decide how much non-paged pool a blocked read holds.
bool WithinCap(PIRP irp, ULONG length, ULONG cap) {
    if (length <= cap) {
        return true;
    }
    DbgPrint("USBCTRL - Error %X: transfer of %d bytes exceeds %d\n", STATUS_INVALID_BUFFER_SIZE,
             length, cap);
    CompleteRequest(irp, STATUS_INVALID_BUFFER_SIZE, 0);
    return false;
}

NTSTATUS ReadPipe(PDEVICE_OBJECT deviceObject, PIRP irp) {
    ULONG length = IoGetCurrentIrpStackLocation(irp)->Parameters.Read.Length;
    DbgPrint("USBCTRL: DispatchRead - ReadLength: %d\n", length);
    if (!WithinCap(irp, length, USBCTRL_MAX_READ_LENGTH)) {
        return STATUS_INVALID_BUFFER_SIZE;
    }
    PVOID buffer = irp->AssociatedIrp.SystemBuffer;
    if (length != 0 && buffer == nullptr) {
        return CompleteRequest(irp, STATUS_INVALID_PARAMETER, 0);
    }

    URB urb;
    BuildBulkTransfer(&urb, GetDeviceExtension(deviceObject)->HCIInputHandle,
                      USBD_TRANSFER_DIRECTION_IN | USBD_SHORT_TRANSFER_OK, buffer, length);
    NTSTATUS status = SendUrb(deviceObject, &urb);
    if (!NT_SUCCESS(status)) {
        DbgPrint("USBCTRL - Error %X trying to read data\n", status);
        return CompleteRequest(irp, status, 0);
    }
    ULONG received = urb.UrbBulkOrInterruptTransfer.TransferBufferLength;
    if (received > length) {
        received = length;  // never more than the caller's buffer holds
    }
    return CompleteRequest(irp, status, received);
}

NTSTATUS WritePipe(PDEVICE_OBJECT deviceObject, PIRP irp) {
    if (KeGetCurrentIrql() > DISPATCH_LEVEL) {
        RtlAssert(const_cast<char*>("KeGetCurrentIrql() <= DISPATCH_LEVEL"),
                  const_cast<char*>("ReadWrite"), 133, nullptr);
    }
    ULONG length = IoGetCurrentIrpStackLocation(irp)->Parameters.Write.Length;
    DbgPrint("USBCTRL: DispatchWrite - WriteLength: %d\n", length);
    if (!WithinCap(irp, length, USBCTRL_MAX_WRITE_LENGTH)) {
        return STATUS_INVALID_BUFFER_SIZE;
    }
    PVOID buffer = irp->AssociatedIrp.SystemBuffer;
    if (length != 0 && buffer == nullptr) {
        return CompleteRequest(irp, STATUS_INVALID_PARAMETER, 0);
    }

    URB urb;
    BuildBulkTransfer(&urb, GetDeviceExtension(deviceObject)->HCIOutputHandle, 0, buffer, length);
    NTSTATUS status = SendUrb(deviceObject, &urb);
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
