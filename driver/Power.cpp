// Power requests. The driver keeps no power state: queries are answered with
// success whatever the lower drivers say, everything else is passed down.
#include "driver/Power.h"

#include "driver/DeviceExtension.h"

namespace {

NTSTATUS QueryPower(PDEVICE_EXTENSION extension, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    DbgPrint("USBCTRL: IRP_MN_QUERY_POWER:PowerState: %d - State: %d\n",
             static_cast<int>(stack->Parameters.Power.Type),
             static_cast<int>(stack->Parameters.Power.State.SystemState));
    DbgPrint("USBCTRL: IRP_MN_QUERY_POWER:ShutdownType: %d\n",
             static_cast<int>(stack->Parameters.Power.ShutdownType));
    IoCopyCurrentIrpStackLocationToNext(irp);
    IoSetCompletionRoutine(irp, QueryPowerComplete, nullptr, TRUE, TRUE, TRUE);
    // QueryPowerComplete turns the lower drivers' answer into success, so the
    // answer the call returns is not the request's: the request is reported
    // as pending and its final status is the one it completes with.
    IoMarkIrpPending(irp);
    // QueryPowerComplete lets the request leave the count, once it is back.
    NTSTATUS status = PoCallDriver(extension->LowerDeviceObject, irp);
    DbgPrint("USBCTRL: Finished IRP_MN_QUERY_POWER: NTSTATUS:%d\n", status);
    return STATUS_PENDING;
}

}  // namespace

NTSTATUS NTAPI DispatchPower(PDEVICE_OBJECT deviceObject, PIRP irp) {
    PDEVICE_EXTENSION extension = GetDeviceExtension(deviceObject);
    NTSTATUS status = EnterRequest(&extension->Requests);
    if (!NT_SUCCESS(status)) {
        PoStartNextPowerIrp(irp);
        irp->IoStatus.Status = status;
        irp->IoStatus.Information = 0;
        IoCompleteRequest(irp, IO_NO_INCREMENT);
        return status;
    }

    UCHAR minor = IoGetCurrentIrpStackLocation(irp)->MinorFunction;
    if (minor == IRP_MN_QUERY_POWER) {
        return QueryPower(extension, irp);
    }
    if (minor == IRP_MN_SET_POWER) {
        DbgPrint("USBCTRL: IRP_MN_SET_POWER\n");
    }
    PoStartNextPowerIrp(irp);
    IoSkipCurrentIrpStackLocation(irp);
    status = PoCallDriver(extension->LowerDeviceObject, irp);
    LeaveRequest(&extension->Requests);
    return status;
}

NTSTATUS NTAPI QueryPowerComplete(PDEVICE_OBJECT deviceObject, PIRP irp, PVOID /*context*/) {
    irp->IoStatus.Status = STATUS_SUCCESS;
    irp->IoStatus.Information = 0;
    PoStartNextPowerIrp(irp);
    LeaveRequest(&GetDeviceExtension(deviceObject)->Requests);
    return STATUS_SUCCESS;
}
