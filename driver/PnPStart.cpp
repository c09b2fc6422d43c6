// PnPStartDevice: read the device's descriptors and strings, pick the
// projector's interface, select the first configuration and keep the handles.
#include "driver/Descriptors.h"
#include "driver/DeviceExtension.h"
#include "driver/Driver.h"
#include "driver/InterfaceList.h"
#include "driver/PnP.h"
#include "driver/Requests.h"

namespace {

// The start request keeps its information field; only the status is set.
NTSTATUS FinishStart(PIRP irp, NTSTATUS status) {
    irp->IoStatus.Status = status;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

// An unreadable string is left empty; it never fails the start. The string
// goes straight into its slot: no second copy of it on the stack.
void ReadString(PDEVICE_OBJECT deviceObject, UCHAR index, WCHAR* target) {
    const USHORT bytes = USBCTRL_STRING_UNITS * sizeof(WCHAR);
    RtlZeroMemory(target, bytes);
    UNICODE_STRING string = {0, bytes, target};
    GetUsbString(deviceObject, index, &string);
}

NTSTATUS ReadDeviceDescriptor(PDEVICE_OBJECT deviceObject, PDEVICE_EXTENSION extension) {
    RtlZeroMemory(&extension->DeviceDescriptor, sizeof(extension->DeviceDescriptor));
    ULONG received = 0;
    NTSTATUS status =
        ReadDescriptor(deviceObject, USB_DEVICE_DESCRIPTOR_TYPE, 0, 0, &extension->DeviceDescriptor,
                       sizeof(USB_DEVICE_DESCRIPTOR), &received);
    if (!NT_SUCCESS(status)) {
        DbgPrint("USBCTRL - Error %X trying to read device descriptor\n", status);
        return status;
    }
    DbgPrint("USBCTRL - Manufacturer String ID: %d\n", extension->DeviceDescriptor.iManufacturer);
    ReadString(deviceObject, extension->DeviceDescriptor.iManufacturer, extension->Manufacturer);
    DbgPrint("USBCTRL - Manufacturer: %S\n", extension->Manufacturer);
    ReadString(deviceObject, extension->DeviceDescriptor.iProduct, extension->Product);
    DbgPrint("USBCTRL - Product: %S\n", extension->Product);
    ReadString(deviceObject, extension->DeviceDescriptor.iSerialNumber, extension->SerialNumber);
    DbgPrint("USBCTRL - Serial Number: %S\n", extension->SerialNumber);
    DbgPrint("USBCTRL - Number of configurations: %d\n",
             extension->DeviceDescriptor.bNumConfigurations);
    return STATUS_SUCCESS;
}

NTSTATUS ReadConfigurationHead(PDEVICE_OBJECT deviceObject, PDEVICE_EXTENSION extension) {
    RtlZeroMemory(&extension->ConfigDescriptor, sizeof(extension->ConfigDescriptor));
    ULONG received = 0;
    NTSTATUS status = ReadDescriptor(deviceObject, USB_CONFIGURATION_DESCRIPTOR_TYPE, 0, 0,
                                     &extension->ConfigDescriptor,
                                     sizeof(USB_CONFIGURATION_DESCRIPTOR), &received);
    // A head without its total length cannot size the rest.
    if (NT_SUCCESS(status) &&
        (received < kConfigurationHeadLength ||
         extension->ConfigDescriptor.wTotalLength < kConfigurationHeadLength)) {
        status = STATUS_DEVICE_DATA_ERROR;
    }
    if (!NT_SUCCESS(status)) {
        DbgPrint("USBCTRL - Error %X trying to read config descriptor header\n", status);
        return status;
    }
    ReadString(deviceObject, extension->ConfigDescriptor.iConfiguration, extension->Configuration);
    DbgPrint("USBCTRL - Configuration: %S\n", extension->Configuration);
    return STATUS_SUCCESS;
}

// Reads the whole first configuration into a pool buffer and bounds its
// wTotalLength to what can be walked safely.
NTSTATUS ReadConfiguration(PDEVICE_OBJECT deviceObject, PDEVICE_EXTENSION extension,
                           PUSB_CONFIGURATION_DESCRIPTOR* config) {
    ULONG total = extension->ConfigDescriptor.wTotalLength;
    PUCHAR buffer = static_cast<PUCHAR>(ExAllocatePoolWithTag(NonPagedPool, total, kDornikPoolTag));
    if (buffer == nullptr) {
        DbgPrint("USBCTRL - Unable to allocate %X bytes for configuration descriptor\n", total);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    RtlZeroMemory(buffer, total);
    ULONG received = 0;
    NTSTATUS status = ReadDescriptor(deviceObject, USB_CONFIGURATION_DESCRIPTOR_TYPE, 0, 0, buffer,
                                     total, &received);
    ULONG usable = NT_SUCCESS(status) ? UsableConfigurationLength(buffer, received) : 0;
    if (NT_SUCCESS(status) && usable == 0) {
        status = STATUS_DEVICE_DATA_ERROR;
    }
    if (!NT_SUCCESS(status)) {
        DbgPrint("USBCTRL - Error %X trying to read config descriptor\n", status);
        ExFreePool(buffer);
        return status;
    }
    *config = reinterpret_cast<PUSB_CONFIGURATION_DESCRIPTOR>(buffer);
    (*config)->wTotalLength = static_cast<USHORT>(usable);
    return STATUS_SUCCESS;
}

USBD_PIPE_HANDLE PipeHandle(PUSBD_INTERFACE_INFORMATION info, ULONG pipe) {
    if (info == nullptr || pipe >= info->NumberOfPipes) {
        return nullptr;
    }
    return info->Pipes[pipe].PipeHandle;
}

// Selects the configuration with the list's interfaces and keeps the handles.
NTSTATUS SelectConfiguration(PDEVICE_OBJECT deviceObject, PDEVICE_EXTENSION extension,
                             PUSB_CONFIGURATION_DESCRIPTOR config, const InterfaceList& list) {
    PURB urb = USBD_CreateConfigurationRequestEx(config, list.entries);
    if (urb == nullptr) {
        DbgPrint("USBCTRL - Error trying to create Configuration Request\n");
        return STATUS_DEVICE_CONFIGURATION_ERROR;
    }
    NTSTATUS status = SendUrb(deviceObject, urb);
    if (!NT_SUCCESS(status)) {
        DbgPrint("USBCTRL - Error %X trying to select configuration\n", status);
        ExFreePool(urb);
        return status;
    }

    PUSBD_INTERFACE_INFORMATION info =
        list.selected < list.count ? list.entries[list.selected].Interface : nullptr;
    extension->ConfigHandle = urb->UrbSelectConfiguration.ConfigurationHandle;
    extension->HCIInputHandle = PipeHandle(info, 0);
    extension->HCIOutputHandle = PipeHandle(info, 1);
    DbgPrint("USBCTRL DeviceExtensionPtr->ConfigHandle(0X%X)\n",
             DORNIK_TRACE_PTR(extension->ConfigHandle));
    DbgPrint("USBCTRL DeviceExtensionPtr->HCIInputHandle(0X%X)\n",
             DORNIK_TRACE_PTR(extension->HCIInputHandle));
    DbgPrint("USBCTRL DeviceExtensionPtr->HCIOutputHandle(0X%X)\n",
             DORNIK_TRACE_PTR(extension->HCIOutputHandle));
    ExFreePool(urb);

    if (extension->ConfigHandle == nullptr || extension->HCIInputHandle == nullptr ||
        extension->HCIOutputHandle == nullptr) {
        DbgPrint("USBCTRL - Error getting configuration handles\n");
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    DbgPrint("USBCTRL - Device successfully started\n");
    return status;
}

NTSTATUS ConfigureDevice(PDEVICE_OBJECT deviceObject, PDEVICE_EXTENSION extension) {
    PUSB_CONFIGURATION_DESCRIPTOR config = nullptr;
    NTSTATUS status = ReadConfiguration(deviceObject, extension, &config);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    InterfaceList list;
    status = BuildInterfaceList(deviceObject, config, &list);
    if (NT_SUCCESS(status)) {
        status = SelectConfiguration(deviceObject, extension, config, list);
        ExFreePool(list.entries);
    }
    ExFreePool(config);
    return status;
}

}  // namespace

NTSTATUS PnPStartDevice(PDEVICE_OBJECT deviceObject, PIRP irp) {
    PDEVICE_EXTENSION extension = GetDeviceExtension(deviceObject);

    // Elsewhere the lower drivers start first; on 2000 the driver starts the device on its own.
    if (Windows != kWindows2000) {
        irp->IoStatus.Status = STATUS_SUCCESS;
        NTSTATUS status = ForwardAndWait(deviceObject, irp);
        if (!NT_SUCCESS(status)) {
            return FinishStart(irp, status);
        }
    }

    IoSetDeviceInterfaceState(&extension->SymbolicLinkName, TRUE);

    NTSTATUS status = ReadDeviceDescriptor(deviceObject, extension);
    if (NT_SUCCESS(status)) {
        status = ReadConfigurationHead(deviceObject, extension);
    }
    if (NT_SUCCESS(status)) {
        status = ConfigureDevice(deviceObject, extension);
    }
    return FinishStart(irp, status);
}
