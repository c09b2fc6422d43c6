// Synchronous request routines shared by start-up, removal and the data paths.
#include "driver/Requests.h"

#include "driver/DeviceExtension.h"

NTSTATUS SendUrb(PDEVICE_OBJECT deviceObject, PURB urb) {
    PDEVICE_EXTENSION extension = GetDeviceExtension(deviceObject);
    KIRQL irql = KeGetCurrentIrql();
    DbgPrint("USBCTRL SendUrb (0X%X) IRQL (%d)\n", DORNIK_TRACE_PTR(urb), irql);
    if (irql != PASSIVE_LEVEL) {
        // Waiting below is only allowed at PASSIVE_LEVEL; report it and go on.
        RtlAssert(const_cast<char*>("KeGetCurrentIrql() == PASSIVE_LEVEL"),
                  const_cast<char*>("PnP"), 935, nullptr);
    }

    KEVENT event;
    KeInitializeEvent(&event, NotificationEvent, FALSE);
    IO_STATUS_BLOCK ioStatus;
    ioStatus.Status = STATUS_SUCCESS;
    ioStatus.Information = 0;

    PIRP irp =
        IoBuildDeviceIoControlRequest(IOCTL_INTERNAL_USB_SUBMIT_URB, extension->LowerDeviceObject,
                                      nullptr, 0, nullptr, 0, TRUE, &event, &ioStatus);
    if (irp == nullptr) {
        DbgPrint("USBCTRL - Unable to allocate IRP for sending URB\n");
        return STATUS_INSUFFICIENT_RESOURCES;
    }

    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    next->Parameters.Others.Argument1 = urb;

    NTSTATUS status = IoCallDriver(extension->LowerDeviceObject, irp);
    if (status == STATUS_PENDING) {
        DbgPrint("USBCTRL - URB is pending.\n");
        KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, nullptr);
        status = ioStatus.Status;
        DbgPrint("USBCTRL - Event signaled with status %d.\n", status);
    }
    return status;
}

NTSTATUS ForwardAndWait(PDEVICE_OBJECT deviceObject, PIRP irp) {
    PDEVICE_EXTENSION extension = GetDeviceExtension(deviceObject);
    KEVENT event;
    KeInitializeEvent(&event, NotificationEvent, FALSE);

    IoCopyCurrentIrpStackLocationToNext(irp);
    IoSetCompletionRoutine(irp, OnRequestComplete, &event, TRUE, TRUE, TRUE);

    NTSTATUS status = IoCallDriver(extension->LowerDeviceObject, irp);
    if (status == STATUS_PENDING) {
        KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, nullptr);
        status = irp->IoStatus.Status;
    }
    irp->IoStatus.Status = status;
    return status;
}

NTSTATUS NTAPI OnRequestComplete(PDEVICE_OBJECT /*deviceObject*/, PIRP irp, PVOID context) {
    DbgPrint("USBCTRL OnRequestComplete() - Irp status = %d\n", irp->IoStatus.Status);
    KeSetEvent(static_cast<PKEVENT>(context), IO_NO_INCREMENT, FALSE);
    // The request goes back to ForwardAndWait's caller, which completes it.
    return STATUS_MORE_PROCESSING_REQUIRED;
}

NTSTATUS CompleteRequest(PIRP irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

NTSTATUS PassDown(PDEVICE_OBJECT deviceObject, PIRP irp) {
    IoSkipCurrentIrpStackLocation(irp);
    return IoCallDriver(GetDeviceExtension(deviceObject)->LowerDeviceObject, irp);
}

void BuildBulkTransfer(URB* urb, USBD_PIPE_HANDLE pipe, ULONG flags, PVOID buffer, ULONG length) {
    RtlZeroMemory(urb, sizeof(URB));
    struct _URB_BULK_OR_INTERRUPT_TRANSFER& transfer = urb->UrbBulkOrInterruptTransfer;
    transfer.Hdr.Length = sizeof(struct _URB_BULK_OR_INTERRUPT_TRANSFER);
    transfer.Hdr.Function = URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER;
    transfer.PipeHandle = pipe;
    transfer.TransferFlags = flags;
    transfer.TransferBufferLength = length;
    transfer.TransferBuffer = buffer;
    transfer.TransferBufferMDL = nullptr;
    transfer.UrbLink = nullptr;
}
