// The device-control requests of the USBCTRL interface. Every request
// completes before it returns and never pends. Replies are built in the
// system buffer or in pool, never on the stack: the kernel stack is small
// (12 KB on x86) and the transfer goes down through the hub and controller
// drivers, and the controller's DMA cannot reach a thread's stack.
#include "driver/IoCtrl.h"

#include "driver/DeviceExtension.h"
#include "driver/Requests.h"

namespace {

// A record followed by a NUL, so its bytes can be traced with %s without
// reading past it whatever the device or the caller put in.
struct TracedRequest {
    USBCTRL_REQUEST request;
    UCHAR terminator;
};
struct TracedReply {
    USBCTRL_REPLY reply;
    UCHAR terminator;
};

// One call per line, so lines of requests running at the same time never mix.
void TraceRequest(const char* name) {
    DbgPrint("USBCTRL: DispatchIoControl - %s\n", name);
}

// User mode chooses the buffer lengths: check them before touching anything.
NTSTATUS CheckBuffers(PIRP irp, ULONG inputNeeded, ULONG outputNeeded) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    NTSTATUS status = STATUS_SUCCESS;
    if (stack->Parameters.DeviceIoControl.InputBufferLength < inputNeeded) {
        status = STATUS_INVALID_PARAMETER;
    } else if (stack->Parameters.DeviceIoControl.OutputBufferLength < outputNeeded) {
        status = STATUS_BUFFER_TOO_SMALL;
    } else if ((inputNeeded != 0 || outputNeeded != 0) &&
               irp->AssociatedIrp.SystemBuffer == nullptr) {
        status = STATUS_INVALID_PARAMETER;
    }
    if (!NT_SUCCESS(status)) {
        DbgPrint("USBCTRL - Error %X checking request buffers\n", status);
    }
    return status;
}

NTSTATUS RefuseRequest(NTSTATUS status) {
    DbgPrint("USBCTRL - Error %X checking request buffers\n", status);
    return status;
}

// Non-paged, tagged, or null after the failure is traced.
PVOID AllocateRecord(ULONG size) {
    PVOID record = ExAllocatePoolWithTag(NonPagedPool, size, kDornikPoolTag);
    if (record == nullptr) {
        DbgPrint("USBCTRL - Error %X allocating %d bytes for the transfer\n",
                 STATUS_INSUFFICIENT_RESOURCES, size);
    }
    return record;
}

const USBCTRL_REQUEST* RequestIn(PIRP irp) {
    return static_cast<const USBCTRL_REQUEST*>(irp->AssociatedIrp.SystemBuffer);
}

NTSTATUS InitDriver(PDEVICE_EXTENSION extension, PIRP irp) {
    TraceRequest("IOCTRL_INIT_DRIVER");
    NTSTATUS status = CheckBuffers(irp, sizeof(USBCTRL_REQUEST), 0);
    if (!NT_SUCCESS(status)) {
        return CompleteRequest(irp, status, 0);
    }
    extension->InitValue = RequestIn(irp)->InitValue;
    return CompleteRequest(irp, STATUS_SUCCESS, 0);
}

NTSTATUS GetDriverVersion(PIRP irp) {
    TraceRequest("IOCTRL_GET_DRIVER_VERSION");
    NTSTATUS status = CheckBuffers(irp, 0, sizeof(USBCTRL_REPLY));
    if (!NT_SUCCESS(status)) {
        return CompleteRequest(irp, status, 0);
    }
    // Built in place: the output buffer holds a whole reply.
    auto* version = static_cast<USBCTRL_VERSION_INFO*>(irp->AssociatedIrp.SystemBuffer);
    RtlZeroMemory(version, sizeof(*version));
    for (int i = 0; i < 4; ++i) {
        version->Version[i] = USBCTRL_DRIVER_VERSION[i];
    }
    return CompleteRequest(irp, STATUS_SUCCESS, sizeof(USBCTRL_REPLY));
}

NTSTATUS GetProductInfo(PDEVICE_EXTENSION extension, PIRP irp) {
    TraceRequest("IOCTRL_GET_PRODUCT_INFO");
    NTSTATUS status = CheckBuffers(irp, 0, sizeof(USBCTRL_REPLY));
    if (!NT_SUCCESS(status)) {
        return CompleteRequest(irp, status, 0);
    }
    auto* info = static_cast<USBCTRL_PRODUCT_INFO*>(irp->AssociatedIrp.SystemBuffer);
    RtlZeroMemory(info, sizeof(USBCTRL_REPLY));
    info->VendorId = extension->DeviceDescriptor.idVendor;
    info->ProductId = extension->DeviceDescriptor.idProduct;
    // Half of each slot: a string descriptor holds at most 126 characters.
    const ULONG copied = USBCTRL_STRING_UNITS;
    RtlCopyMemory(info->Manufacturer, extension->Manufacturer, copied);
    RtlCopyMemory(info->Product, extension->Product, copied);
    RtlCopyMemory(info->SerialNumber, extension->SerialNumber, copied);
    RtlCopyMemory(info->Configuration, extension->Configuration, copied);
    DbgPrint("Data copied (size=%d) to IrpPtr(0X%X)->AssociatedIrp.SystemBuffer(%s)\n",
             static_cast<int>(sizeof(USBCTRL_REPLY)), DORNIK_TRACE_PTR(irp),
             static_cast<const char*>(irp->AssociatedIrp.SystemBuffer));
    return CompleteRequest(irp, STATUS_SUCCESS, sizeof(USBCTRL_REPLY));
}

NTSTATUS ReadData(PDEVICE_OBJECT deviceObject, PIRP irp) {
    TraceRequest("IOCTRL_READ_DATA");
    NTSTATUS status = CheckBuffers(irp, sizeof(USBCTRL_REQUEST), sizeof(USBCTRL_REPLY));
    if (!NT_SUCCESS(status)) {
        return CompleteRequest(irp, status, 0);
    }
    ULONG asked = RequestIn(irp)->HCIReadBufferSize;
    DbgPrint("HCIReadBufferSize:%d\n", asked);
    if (asked == 0 || asked > USBCTRL_MAX_READ_LENGTH) {
        return CompleteRequest(irp, RefuseRequest(STATUS_INVALID_PARAMETER), 0);
    }

    // The reply is built apart from the system buffer for its terminator: a
    // full 2052-byte reply has no NUL of its own.
    auto* traced = static_cast<TracedReply*>(AllocateRecord(sizeof(TracedReply)));
    if (traced == nullptr) {
        return CompleteRequest(irp, STATUS_INSUFFICIENT_RESOURCES, 0);
    }
    RtlZeroMemory(traced, sizeof(*traced));
    URB urb;
    BuildBulkTransfer(&urb, GetDeviceExtension(deviceObject)->HCIInputHandle,
                      USBD_TRANSFER_DIRECTION_IN | USBD_SHORT_TRANSFER_OK, traced->reply.Data,
                      asked);
    status = SendUrb(deviceObject, &urb);
    if (!NT_SUCCESS(status)) {
        DbgPrint("USBCTRL - Error %X trying to read data\n", status);
    }
    ULONG received = urb.UrbBulkOrInterruptTransfer.TransferBufferLength;
    if (received > asked) {
        received = asked;  // never report more than the buffer took
    }
    traced->reply.Status = static_cast<ULONG>(status);
    traced->reply.Length = received;
    RtlCopyMemory(irp->AssociatedIrp.SystemBuffer, &traced->reply, sizeof(traced->reply));
    DbgPrint("Read - size(%d):%s\n", traced->reply.Length,
             reinterpret_cast<const char*>(traced->reply.Data));
    ExFreePool(traced);
    return CompleteRequest(irp, status, sizeof(USBCTRL_REPLY));
}

NTSTATUS WriteData(PDEVICE_OBJECT deviceObject, PIRP irp) {
    TraceRequest("IOCTRL_WRITE_DATA");
    NTSTATUS status = CheckBuffers(irp, sizeof(USBCTRL_REQUEST), 0);
    if (!NT_SUCCESS(status)) {
        return CompleteRequest(irp, status, 0);
    }
    auto* traced = static_cast<TracedRequest*>(AllocateRecord(sizeof(TracedRequest)));
    if (traced == nullptr) {
        return CompleteRequest(irp, STATUS_INSUFFICIENT_RESOURCES, 0);
    }
    RtlCopyMemory(&traced->request, irp->AssociatedIrp.SystemBuffer, sizeof(traced->request));
    traced->terminator = 0;
    DbgPrint("USBCTRLWrite - size(%d):%s\n", traced->request.Length,
             reinterpret_cast<const char*>(traced->request.Data));
    if (traced->request.Length > USBCTRL_MAX_WRITE_LENGTH) {
        ExFreePool(traced);
        return CompleteRequest(irp, RefuseRequest(STATUS_INVALID_PARAMETER), 0);
    }

    PDEVICE_EXTENSION extension = GetDeviceExtension(deviceObject);
    URB urb;
    BuildBulkTransfer(&urb, extension->HCIOutputHandle, 0, traced->request.Data,
                      traced->request.Length);
    DbgPrint("USBCTRLURB (0X%X), DeviceExtensionPtr(0X%X)->HCIOutputHandle(0X%X)\n",
             DORNIK_TRACE_PTR(&urb), DORNIK_TRACE_PTR(extension),
             DORNIK_TRACE_PTR(extension->HCIOutputHandle));
    status = SendUrb(deviceObject, &urb);
    ExFreePool(traced);
    if (!NT_SUCCESS(status)) {
        DbgPrint("USBCTRL - Error %X trying to write data\n", status);
    }
    return CompleteRequest(irp, status, 0);
}

}  // namespace

NTSTATUS NTAPI DispatchIoControl(PDEVICE_OBJECT deviceObject, PIRP irp) {
    PDEVICE_EXTENSION extension = GetDeviceExtension(deviceObject);
    NTSTATUS status = EnterRequest(&extension->Requests);
    if (!NT_SUCCESS(status)) {
        return CompleteRequest(irp, status, 0);
    }

    switch (IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceIoControl.IoControlCode) {
        case IOCTRL_INIT_DRIVER:
            status = InitDriver(extension, irp);
            break;
        case IOCTRL_GET_DRIVER_VERSION:
            status = GetDriverVersion(irp);
            break;
        case IOCTRL_GET_PRODUCT_INFO:
            status = GetProductInfo(extension, irp);
            break;
        case IOCTRL_READ_DATA:
            status = ReadData(deviceObject, irp);
            break;
        case IOCTRL_WRITE_DATA:
            status = WriteData(deviceObject, irp);
            break;
        default:
            TraceRequest("Unknown IOCTRL Code");
            status = CompleteRequest(irp, STATUS_SUCCESS, 0);
            break;
    }

    LeaveRequest(&extension->Requests);
    return status;
}
