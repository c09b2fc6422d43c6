// The bus driver's dispatch routines for the physical device objects it
// creates: Plug and Play, power, and the internal USB requests.
#include "platform/kernel/UsbBus.h"
#include "platform/kernel/ddk/usbioctl.h"

namespace corvane::kernel {

namespace {

UsbBusDevice& BusDeviceOf(PDEVICE_OBJECT device) {
    return **static_cast<UsbBusDevice**>(device->DeviceExtension);
}

NTSTATUS Complete(PIRP irp, NTSTATUS status) {
    irp->IoStatus.Status = status;
    IofCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

}  // namespace

NTSTATUS NTAPI UsbBus::DispatchPnp(PDEVICE_OBJECT device, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    BusDeviceOf(device).Lifecycle().OnPnp(stack->MinorFunction);
    switch (stack->MinorFunction) {
        case IRP_MN_START_DEVICE:
        case IRP_MN_QUERY_STOP_DEVICE:
        case IRP_MN_STOP_DEVICE:
        case IRP_MN_CANCEL_STOP_DEVICE:
        case IRP_MN_QUERY_REMOVE_DEVICE:
        case IRP_MN_CANCEL_REMOVE_DEVICE:
        case IRP_MN_SURPRISE_REMOVAL:
        case IRP_MN_REMOVE_DEVICE:
            // As a bus driver answers them: a cancel without its query too.
            // The node's owner deletes the physical device object after removal.
            return Complete(irp, STATUS_SUCCESS);
        case IRP_MN_QUERY_CAPABILITIES: {
            PDEVICE_CAPABILITIES caps = stack->Parameters.DeviceCapabilities.Capabilities;
            if (caps == nullptr || caps->Version < 1 || caps->Size < sizeof(DEVICE_CAPABILITIES)) {
                return Complete(irp, STATUS_INVALID_PARAMETER);
            }
            caps->Removable = 1;
            caps->UniqueID = 0;
            caps->SurpriseRemovalOK = 0;
            caps->Address = 1;
            caps->DeviceState[PowerSystemWorking] = PowerDeviceD0;
            for (int s = PowerSystemSleeping1; s < PowerSystemMaximum; ++s) {
                caps->DeviceState[s] = PowerDeviceD3;
            }
            caps->SystemWake = PowerSystemUnspecified;
            caps->DeviceWake = PowerDeviceUnspecified;
            return Complete(irp, STATUS_SUCCESS);
        }
        case IRP_MN_QUERY_PNP_DEVICE_STATE:
            irp->IoStatus.Information = 0;
            return Complete(irp, STATUS_SUCCESS);
        default: {
            NTSTATUS status = irp->IoStatus.Status;  // not handled: left as sent
            IofCompleteRequest(irp, IO_NO_INCREMENT);
            return status;
        }
    }
}

NTSTATUS NTAPI UsbBus::DispatchPower(PDEVICE_OBJECT device, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    BusDeviceOf(device).Lifecycle().OnPower(stack->MinorFunction);
    PoStartNextPowerIrp(irp);
    switch (stack->MinorFunction) {
        case IRP_MN_SET_POWER:
        case IRP_MN_QUERY_POWER:
            return Complete(irp, STATUS_SUCCESS);
        case IRP_MN_WAIT_WAKE:
            return Complete(irp, STATUS_NOT_SUPPORTED);
        default: {
            NTSTATUS status = irp->IoStatus.Status;
            IofCompleteRequest(irp, IO_NO_INCREMENT);
            return status;
        }
    }
}

NTSTATUS NTAPI UsbBus::DispatchInternalControl(PDEVICE_OBJECT device, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    UsbBusDevice& busDevice = BusDeviceOf(device);
    switch (stack->Parameters.DeviceIoControl.IoControlCode) {
        case IOCTL_INTERNAL_USB_SUBMIT_URB:
            return busDevice.SubmitUrb(irp, static_cast<PURB>(stack->Parameters.Others.Argument1));
        case IOCTL_INTERNAL_USB_GET_PORT_STATUS: {
            auto* portStatus = static_cast<PULONG>(stack->Parameters.Others.Argument1);
            if (portStatus == nullptr) {
                return Complete(irp, STATUS_INVALID_PARAMETER);
            }
            *portStatus = busDevice.Gone() ? 0 : (USBD_PORT_ENABLED | USBD_PORT_CONNECTED);
            return Complete(irp, STATUS_SUCCESS);
        }
        case IOCTL_INTERNAL_USB_RESET_PORT:
        case IOCTL_INTERNAL_USB_CYCLE_PORT:
            return Complete(irp, busDevice.Gone() ? STATUS_DEVICE_NOT_CONNECTED : STATUS_SUCCESS);
        default:
            return Complete(irp, STATUS_INVALID_DEVICE_REQUEST);
    }
}

}  // namespace corvane::kernel
