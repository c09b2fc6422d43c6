#include "tests/kernel/FunctionDriverDouble.h"

#include <cstring>

namespace corvane::kernel::test {

namespace {

constexpr ULONG kTag = 0x20747354;  // "Tst "

struct Extension {
    PDEVICE_OBJECT self;
    PDEVICE_OBJECT pdo;
    PDEVICE_OBJECT lower;
    UNICODE_STRING link;
    USBD_PIPE_HANDLE in;
    USBD_PIPE_HANDLE out;
    BOOLEAN surpriseRemoved;
};

std::mutex stateMutex;
FunctionDriverState state;
std::function<void()> startHook;

void Note(std::vector<std::string> FunctionDriverState::*list, const char* text) {
    std::lock_guard lock(stateMutex);
    (state.*list).push_back(text);
}

Extension* Ext(PDEVICE_OBJECT device) {
    return static_cast<Extension*>(device->DeviceExtension);
}

NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IofCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

NTSTATUS SendUrb(PDEVICE_OBJECT device, PURB urb) {
    KEVENT event;
    IO_STATUS_BLOCK iosb;
    KeInitializeEvent(&event, NotificationEvent, FALSE);
    PIRP irp = IoBuildDeviceIoControlRequest(IOCTL_INTERNAL_USB_SUBMIT_URB, Ext(device)->lower,
                                             nullptr, 0, nullptr, 0, TRUE, &event, &iosb);
    if (irp == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    IoGetNextIrpStackLocation(irp)->Parameters.Others.Argument1 = urb;
    NTSTATUS status = IofCallDriver(Ext(device)->lower, irp);
    if (status == STATUS_PENDING) {
        KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, nullptr);
        status = iosb.Status;
    }
    return status;
}

NTSTATUS NTAPI OnForwarded(PDEVICE_OBJECT, PIRP, PVOID context) {
    KeSetEvent(static_cast<PKEVENT>(context), IO_NO_INCREMENT, FALSE);
    return STATUS_MORE_PROCESSING_REQUIRED;
}

NTSTATUS ForwardAndWait(PDEVICE_OBJECT device, PIRP irp) {
    KEVENT event;
    KeInitializeEvent(&event, NotificationEvent, FALSE);
    IoCopyCurrentIrpStackLocationToNext(irp);
    IoSetCompletionRoutine(irp, OnForwarded, &event, TRUE, TRUE, TRUE);
    NTSTATUS status = IofCallDriver(Ext(device)->lower, irp);
    if (status == STATUS_PENDING) {
        KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, nullptr);
        status = irp->IoStatus.Status;
    }
    return status;
}

NTSTATUS PassDown(PDEVICE_OBJECT device, PIRP irp) {
    IoSkipCurrentIrpStackLocation(irp);
    return IofCallDriver(Ext(device)->lower, irp);
}

NTSTATUS Configure(PDEVICE_OBJECT device) {
    URB urb;
    // Transfer buffers come from non-paged pool: the bus checks, as DMA needs it.
    auto* head = static_cast<PUSB_CONFIGURATION_DESCRIPTOR>(
        ExAllocatePoolWithTag(NonPagedPool, sizeof(USB_CONFIGURATION_DESCRIPTOR), kTag));
    UsbBuildGetDescriptorRequest(&urb, sizeof(struct _URB_CONTROL_DESCRIPTOR_REQUEST),
                                 USB_CONFIGURATION_DESCRIPTOR_TYPE, 0, 0, head, nullptr,
                                 sizeof(USB_CONFIGURATION_DESCRIPTOR), nullptr);
    NTSTATUS status = SendUrb(device, &urb);
    USHORT total = head->wTotalLength;
    ExFreePoolWithTag(head, kTag);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    auto* config = static_cast<PUSB_CONFIGURATION_DESCRIPTOR>(
        ExAllocatePoolWithTag(NonPagedPool, total, kTag));
    UsbBuildGetDescriptorRequest(&urb, sizeof(struct _URB_CONTROL_DESCRIPTOR_REQUEST),
                                 USB_CONFIGURATION_DESCRIPTOR_TYPE, 0, 0, config, nullptr, total,
                                 nullptr);
    status = SendUrb(device, &urb);
    USBD_INTERFACE_LIST_ENTRY list[2] = {};
    list[0].InterfaceDescriptor =
        USBD_ParseConfigurationDescriptorEx(config, config, -1, -1, -1, -1, -1);
    PURB select = NT_SUCCESS(status) && list[0].InterfaceDescriptor != nullptr
                      ? USBD_CreateConfigurationRequestEx(config, list)
                      : nullptr;
    if (select == nullptr) {
        ExFreePoolWithTag(config, kTag);
        return NT_SUCCESS(status) ? STATUS_DEVICE_CONFIGURATION_ERROR : status;
    }
    status = SendUrb(device, select);
    if (NT_SUCCESS(status)) {
        {
            std::lock_guard lock(stateMutex);
            state.oldInPipe = Ext(device)->in;
        }
        Ext(device)->in = list[0].Interface->Pipes[0].PipeHandle;
        Ext(device)->out = list[0].Interface->Pipes[1].PipeHandle;
    }
    ExFreePool(select);
    ExFreePoolWithTag(config, kTag);
    return status;
}

NTSTATUS Start(PDEVICE_OBJECT device, PIRP irp) {
    NTSTATUS status = ForwardAndWait(device, irp);
    if (NT_SUCCESS(status)) {
        IoSetDeviceInterfaceState(&Ext(device)->link, TRUE);
        std::function<void()> hook;
        {
            std::lock_guard lock(stateMutex);
            hook = startHook;
        }
        if (hook) {
            hook();
        }
        status = Configure(device);
    }
    {
        std::lock_guard lock(stateMutex);
        if (!NT_SUCCESS(state.startStatus)) {
            status = state.startStatus;
        }
    }
    return Complete(irp, status, 0);
}

void DropInterface(PDEVICE_OBJECT device) {
    IoSetDeviceInterfaceState(&Ext(device)->link, FALSE);
    RtlFreeUnicodeString(&Ext(device)->link);
}

NTSTATUS Remove(PDEVICE_OBJECT device, PIRP irp) {
    URB urb;
    std::memset(&urb, 0, sizeof urb);
    UsbBuildSelectConfigurationRequest(&urb, sizeof(struct _URB_SELECT_CONFIGURATION), nullptr);
    SendUrb(device, &urb);
    if (!Ext(device)->surpriseRemoved) {
        DropInterface(device);
    }
    irp->IoStatus.Status = STATUS_SUCCESS;
    NTSTATUS status = PassDown(device, irp);
    IoDetachDevice(Ext(device)->lower);
    IoDeleteDevice(device);
    return status;
}

NTSTATUS NTAPI DispatchPnp(PDEVICE_OBJECT device, PIRP irp) {
    UCHAR minor = IoGetCurrentIrpStackLocation(irp)->MinorFunction;
    switch (minor) {
        case IRP_MN_START_DEVICE:
            Note(&FunctionDriverState::pnp, "start");
            return Start(device, irp);
        case IRP_MN_SURPRISE_REMOVAL:
            Note(&FunctionDriverState::pnp, "surprise");
            Ext(device)->surpriseRemoved = TRUE;
            DropInterface(device);
            irp->IoStatus.Status = STATUS_SUCCESS;
            return PassDown(device, irp);
        case IRP_MN_REMOVE_DEVICE:
            Note(&FunctionDriverState::pnp, "remove");
            return Remove(device, irp);
        case IRP_MN_QUERY_REMOVE_DEVICE:
            Note(&FunctionDriverState::pnp, "query-remove");
            irp->IoStatus.Status = STATUS_SUCCESS;
            return PassDown(device, irp);
        case IRP_MN_QUERY_CAPABILITIES:
            Note(&FunctionDriverState::pnp, "capabilities");
            return PassDown(device, irp);
        default:
            Note(&FunctionDriverState::pnp, "other");
            return PassDown(device, irp);
    }
}

NTSTATUS NTAPI DispatchPower(PDEVICE_OBJECT device, PIRP irp) {
    Note(&FunctionDriverState::power,
         IoGetCurrentIrpStackLocation(irp)->MinorFunction == IRP_MN_QUERY_POWER ? "query" : "set");
    PoStartNextPowerIrp(irp);
    IoSkipCurrentIrpStackLocation(irp);
    return PoCallDriver(Ext(device)->lower, irp);
}

NTSTATUS NTAPI DispatchSimple(PDEVICE_OBJECT, PIRP irp) {
    return Complete(irp, STATUS_SUCCESS, 0);
}

NTSTATUS Bulk(PDEVICE_OBJECT device, PIRP irp, ULONG outLength) {
    BulkRequest request;
    std::memcpy(&request, irp->AssociatedIrp.SystemBuffer, sizeof request);
    BulkReply reply{};
    USBD_PIPE_HANDLE pipe = request.in ? Ext(device)->in : Ext(device)->out;
    if (request.stalePipe) {
        std::lock_guard lock(stateMutex);
        pipe = state.oldInPipe;
    }
    URB urb;
    std::memset(&urb, 0, sizeof urb);
    if (request.abortPipe) {
        urb.UrbPipeRequest.Hdr.Length = sizeof(struct _URB_PIPE_REQUEST);
        urb.UrbPipeRequest.Hdr.Function = URB_FUNCTION_ABORT_PIPE;
        urb.UrbPipeRequest.PipeHandle = pipe;
        reply.status = SendUrb(device, &urb);
        std::memcpy(irp->AssociatedIrp.SystemBuffer, &reply, sizeof reply);
        return Complete(irp, reply.status, sizeof(BulkReply));
    }
    auto* data =
        static_cast<uint8_t*>(ExAllocatePoolWithTag(NonPagedPool, sizeof reply.data, kTag));
    std::memcpy(data, request.in ? reply.data : request.data, sizeof reply.data);
    UsbBuildInterruptOrBulkTransferRequest(&urb, sizeof(struct _URB_BULK_OR_INTERRUPT_TRANSFER),
                                           pipe, data, nullptr, request.length, request.flags,
                                           nullptr);
    NTSTATUS status = SendUrb(device, &urb);
    reply.status = status;
    reply.length = urb.UrbBulkOrInterruptTransfer.TransferBufferLength;
    if (request.in) {
        std::memcpy(reply.data, data, sizeof reply.data);
    }
    ExFreePoolWithTag(data, kTag);
    std::memcpy(irp->AssociatedIrp.SystemBuffer, &reply, sizeof reply);
    // The reply also travels on failure, so the caller sees what the copy-back rule does.
    return Complete(irp, status, outLength);
}

NTSTATUS NTAPI DispatchControl(PDEVICE_OBJECT device, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    ULONG inLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    auto* buffer = static_cast<UCHAR*>(irp->AssociatedIrp.SystemBuffer);
    switch (stack->Parameters.DeviceIoControl.IoControlCode) {
        case kEchoCode:
            for (ULONG i = 0; i < outLength; ++i) {
                buffer[i] = static_cast<UCHAR>((i < inLength ? buffer[i] : 0) + 1);
            }
            return Complete(irp, STATUS_SUCCESS, outLength);
        case kFailCode:
        case kWarnCode:
            std::memset(buffer, 0xEE, outLength);
            return Complete(irp,
                            stack->Parameters.DeviceIoControl.IoControlCode == kFailCode
                                ? STATUS_UNSUCCESSFUL
                                : STATUS_BUFFER_OVERFLOW,
                            outLength);
        case kBulkCode:
            if (inLength < sizeof(BulkRequest) || outLength < sizeof(BulkReply)) {
                return Complete(irp, STATUS_BUFFER_TOO_SMALL, 0);
            }
            return Bulk(device, irp, sizeof(BulkReply));
        default:
            return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    }
}

// Buffered I/O: the read lands in the system buffer, which the bus can reach.
NTSTATUS NTAPI DispatchRead(PDEVICE_OBJECT device, PIRP irp) {
    ULONG length = IoGetCurrentIrpStackLocation(irp)->Parameters.Read.Length;
    URB urb;
    std::memset(&urb, 0, sizeof urb);
    UsbBuildInterruptOrBulkTransferRequest(
        &urb, sizeof(struct _URB_BULK_OR_INTERRUPT_TRANSFER), Ext(device)->in,
        irp->AssociatedIrp.SystemBuffer, nullptr, length,
        USBD_TRANSFER_DIRECTION_IN | USBD_SHORT_TRANSFER_OK, nullptr);
    NTSTATUS status = SendUrb(device, &urb);
    return Complete(irp, status,
                    NT_SUCCESS(status) ? urb.UrbBulkOrInterruptTransfer.TransferBufferLength : 0);
}

NTSTATUS NTAPI AddDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT pdo) {
    {
        std::lock_guard lock(stateMutex);
        ++state.addDevices;
    }
    PDEVICE_OBJECT device = nullptr;
    NTSTATUS status =
        IoCreateDevice(driver, sizeof(Extension), nullptr, FILE_DEVICE_UNKNOWN, 0, FALSE, &device);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    Extension* ext = Ext(device);
    ext->self = device;
    ext->pdo = pdo;
    status = IoRegisterDeviceInterface(pdo, &kTestInterfaceClass, nullptr, &ext->link);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(device);
        return status;
    }
    ext->lower = IoAttachDeviceToDeviceStack(device, pdo);
    if (ext->lower == nullptr) {
        RtlFreeUnicodeString(&ext->link);
        IoDeleteDevice(device);
        return STATUS_UNSUCCESSFUL;
    }
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    device->Flags |= DO_POWER_PAGABLE | DO_BUFFERED_IO;
    return STATUS_SUCCESS;
}

VOID NTAPI Unload(PDRIVER_OBJECT) {
    std::lock_guard lock(stateMutex);
    ++state.unloads;
}

}  // namespace

void ResetFunctionDriver() {
    std::lock_guard lock(stateMutex);
    state = FunctionDriverState{};
    startHook = nullptr;
}

FunctionDriverState FunctionDriverSnapshot() {
    std::lock_guard lock(stateMutex);
    return state;
}

void SetFunctionDriverStartStatus(NTSTATUS status) {
    std::lock_guard lock(stateMutex);
    state.startStatus = status;
}

void SetFunctionDriverStartHook(std::function<void()> hook) {
    std::lock_guard lock(stateMutex);
    startHook = std::move(hook);
}

extern "C" NTSTATUS NTAPI FunctionDriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
    {
        std::lock_guard lock(stateMutex);
        ++state.entries;
    }
    driver->DriverExtension->AddDevice = AddDevice;
    driver->DriverUnload = Unload;
    driver->MajorFunction[IRP_MJ_PNP] = DispatchPnp;
    driver->MajorFunction[IRP_MJ_POWER] = DispatchPower;
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchSimple;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchSimple;
    driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchSimple;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchControl;
    driver->MajorFunction[IRP_MJ_READ] = DispatchRead;
    return STATUS_SUCCESS;
}

}  // namespace corvane::kernel::test
