// Plug and Play requests: routing by minor function, removal, surprise
// removal, stop and the cancels, and the capabilities reported upward.
#include "driver/PnP.h"

#include "driver/DeviceExtension.h"
#include "driver/Driver.h"
#include "driver/Requests.h"

namespace {

// One call per line, so that a request running in another thread cannot
// split it.
void TracePnP(const char* name) {
    DbgPrint("USBCTRL: DispatchPnP %s\n", name);
}

// Query-stop and stop: the bus below keeps its own state for the device, so
// they go down. Stop keeps the configuration and the handles; the next start
// configures again.
NTSTATUS SucceedAndPassDown(PDEVICE_OBJECT deviceObject, PIRP irp) {
    irp->IoStatus.Status = STATUS_SUCCESS;
    return PassDown(deviceObject, irp);
}

// Cancel-stop and cancel-remove: the lower drivers leave their pending state
// first, then this driver. A cancel must succeed; should a lower driver fail
// it nonetheless, its status goes up rather than hiding a device that did
// not come back.
NTSTATUS CancelAfterLowerDrivers(PDEVICE_OBJECT deviceObject, PIRP irp) {
    irp->IoStatus.Status = STATUS_SUCCESS;
    NTSTATUS lower = ForwardAndWait(deviceObject, irp);
    NTSTATUS status = PnPCancelStopDevice(deviceObject, irp);
    return CompleteRequest(irp, NT_SUCCESS(lower) ? status : lower, 0);
}

NTSTATUS QueryCapabilities(PDEVICE_OBJECT deviceObject, PIRP irp) {
    IoCopyCurrentIrpStackLocationToNext(irp);
    IoSetCompletionRoutine(irp, QueryCapabilitiesComplete, nullptr, TRUE, TRUE, TRUE);
    return IoCallDriver(GetDeviceExtension(deviceObject)->LowerDeviceObject, irp);
}

void AbortPipe(PDEVICE_OBJECT deviceObject, USBD_PIPE_HANDLE pipe) {
    if (pipe == nullptr) {
        return;
    }
    DbgPrint("USBCTRL - Aborting pipe %X\n", DORNIK_TRACE_PTR(pipe));
    URB urb;
    RtlZeroMemory(&urb, sizeof(urb));
    urb.UrbPipeRequest.Hdr.Length = sizeof(struct _URB_PIPE_REQUEST);
    urb.UrbPipeRequest.Hdr.Function = URB_FUNCTION_ABORT_PIPE;
    urb.UrbPipeRequest.PipeHandle = pipe;
    SendUrb(deviceObject, &urb);  // a pipe of a device already gone has nothing left to end
}

void DisableInterface(PDEVICE_EXTENSION extension) {
    IoSetDeviceInterfaceState(&extension->SymbolicLinkName, FALSE);
    RtlFreeUnicodeString(&extension->SymbolicLinkName);
}

}  // namespace

NTSTATUS NTAPI DispatchPnP(PDEVICE_OBJECT deviceObject, PIRP irp) {
    PDEVICE_EXTENSION extension = GetDeviceExtension(deviceObject);
    NTSTATUS status = EnterRequest(&extension->Requests);
    if (!NT_SUCCESS(status)) {
        return CompleteRequest(irp, status, 0);
    }

    UCHAR minor = IoGetCurrentIrpStackLocation(irp)->MinorFunction;
    switch (minor) {
        case IRP_MN_START_DEVICE:
            TracePnP("- IRP_MN_START_DEVICE");
            status = PnPStartDevice(deviceObject, irp);
            break;
        case IRP_MN_QUERY_REMOVE_DEVICE:
            TracePnP("- IRP_MN_QUERY_REMOVE_DEVICE");
            status = PassDown(deviceObject, irp);
            break;
        case IRP_MN_REMOVE_DEVICE:
            TracePnP("- IRP_MN_REMOVE_DEVICE");
            // Releases the lock and drains; the device object is gone afterwards.
            return PnPRemoveDevice(deviceObject, irp);
        case IRP_MN_CANCEL_REMOVE_DEVICE:
            TracePnP("- IRP_MN_CANCEL_REMOVE_DEVICE");
            status = CancelAfterLowerDrivers(deviceObject, irp);
            break;
        case IRP_MN_STOP_DEVICE:
            TracePnP("- IRP_MN_STOP_DEVICE");
            status = SucceedAndPassDown(deviceObject, irp);
            break;
        case IRP_MN_QUERY_STOP_DEVICE:
            TracePnP("- IRP_MN_QUERY_STOP_DEVICE");
            status = SucceedAndPassDown(deviceObject, irp);
            break;
        case IRP_MN_CANCEL_STOP_DEVICE:
            TracePnP("- IRP_MN_CANCEL_STOP_DEVICE");
            status = CancelAfterLowerDrivers(deviceObject, irp);
            break;
        case IRP_MN_QUERY_DEVICE_RELATIONS:
            TracePnP("- IRP_MN_QUERY_DEVICE_RELATIONS");
            status = PassDown(deviceObject, irp);
            break;
        case IRP_MN_QUERY_CAPABILITIES:
            TracePnP("- IRP_MN_QUERY_CAPABILITIES");
            status = QueryCapabilities(deviceObject, irp);
            break;
        case IRP_MN_FILTER_RESOURCE_REQUIREMENTS:
            TracePnP("- IRP_MN_FILTER_RESOURCE_REQUIREMENTS");
            status = PassDown(deviceObject, irp);
            break;
        case IRP_MN_QUERY_ID:
            TracePnP("- IRP_MN_QUERY_ID");
            status = PassDown(deviceObject, irp);
            break;
        case IRP_MN_QUERY_PNP_DEVICE_STATE:
            TracePnP("- IRP_MN_QUERY_PNP_DEVICE_STATE");
            status = PassDown(deviceObject, irp);
            break;
        case IRP_MN_SURPRISE_REMOVAL:
            TracePnP("- IRP_MN_SURPRISE_REMOVAL");
            status = PnPSurpriseRemoveDevice(deviceObject, irp);
            break;
        default:
            DbgPrint("USBCTRL: DispatchPnP - Unsupported PnP minor function %X\n", minor);
            status = PassDown(deviceObject, irp);
            break;
    }

    LeaveRequest(&extension->Requests);
    return status;
}

NTSTATUS PnPCancelStopDevice(PDEVICE_OBJECT /*deviceObject*/, PIRP /*irp*/) {
    return STATUS_SUCCESS;
}

NTSTATUS PnPSurpriseRemoveDevice(PDEVICE_OBJECT deviceObject, PIRP irp) {
    PDEVICE_EXTENSION extension = GetDeviceExtension(deviceObject);
    extension->SurpriseRemoved = 1;
    DisableInterface(extension);
    irp->IoStatus.Status = STATUS_SUCCESS;
    return PassDown(deviceObject, irp);
}

NTSTATUS PnPRemoveDevice(PDEVICE_OBJECT deviceObject, PIRP irp) {
    PDEVICE_EXTENSION extension = GetDeviceExtension(deviceObject);

    // A read waiting for the projector counts as inside the driver, and on 98 and
    // ME removal comes with no surprise removal before it, the transfer still
    // on the pipe: end both pipes' transfers so the wait below can end.
    AbortPipe(deviceObject, extension->HCIInputHandle);
    AbortPipe(deviceObject, extension->HCIOutputHandle);

    // From here on new requests fail with STATUS_DELETE_PENDING; wait for
    // those still inside the driver before taking the device apart.
    LeaveAndDrain(&extension->Requests);

    URB urb;
    RtlZeroMemory(&urb, sizeof(urb));
    urb.UrbSelectConfiguration.Hdr.Length = sizeof(struct _URB_SELECT_CONFIGURATION);
    urb.UrbSelectConfiguration.Hdr.Function = URB_FUNCTION_SELECT_CONFIGURATION;
    urb.UrbSelectConfiguration.ConfigurationDescriptor = nullptr;
    SendUrb(deviceObject, &urb);  // a device that is already gone cannot be deconfigured

    if (!extension->SurpriseRemoved) {
        DisableInterface(extension);
    }

    NTSTATUS status = STATUS_SUCCESS;
    if (Windows == kWindows2000 || Windows == kWindowsXp) {
        irp->IoStatus.Status = STATUS_SUCCESS;
        irp->IoStatus.Information = 0;
        status = PassDown(deviceObject, irp);
    } else {
        // 98 and ME: the bus driver does not expect it; it must still be completed.
        CompleteRequest(irp, STATUS_SUCCESS, 0);
    }

    if (extension->LowerDeviceObject != nullptr) {
        IoDetachDevice(extension->LowerDeviceObject);
    }
    IoDeleteDevice(extension->Self);
    return status;
}

NTSTATUS NTAPI QueryCapabilitiesComplete(PDEVICE_OBJECT /*deviceObject*/, PIRP irp,
                                         PVOID /*context*/) {
    if (irp->PendingReturned) {
        IoMarkIrpPending(irp);
    }
    PDEVICE_CAPABILITIES capabilities =
        IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceCapabilities.Capabilities;
    capabilities->SurpriseRemovalOK = TRUE;
    for (ULONG i = 0; i < sizeof(capabilities->DeviceState) / sizeof(capabilities->DeviceState[0]);
         ++i) {
        capabilities->DeviceState[i] = PowerDeviceUnspecified;
    }
    capabilities->DeviceWake = PowerDeviceUnspecified;
    capabilities->SystemWake = PowerSystemUnspecified;
    return irp->IoStatus.Status;
}
