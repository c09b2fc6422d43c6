// Taking charge of a device: the device object, its interface and its place
// in the stack; and the open and close requests, which keep no state.
#include "driver/Device.h"

#include "driver/DeviceExtension.h"
#include "driver/Requests.h"

namespace {

GUID InterfaceClass() {
    GUID guid;
    guid.Data1 = USBCTRL_GUID.Data1;
    guid.Data2 = USBCTRL_GUID.Data2;
    guid.Data3 = USBCTRL_GUID.Data3;
    for (int i = 0; i < 8; ++i) {
        guid.Data4[i] = USBCTRL_GUID.Data4[i];
    }
    return guid;
}

NTSTATUS CompleteOpen(PDEVICE_OBJECT deviceObject, PIRP irp) {
    PDEVICE_EXTENSION extension = GetDeviceExtension(deviceObject);
    NTSTATUS status = EnterRequest(&extension->Requests);
    if (!NT_SUCCESS(status)) {
        return CompleteRequest(irp, status, 0);
    }
    CompleteRequest(irp, STATUS_SUCCESS, 0);
    LeaveRequest(&extension->Requests);
    return STATUS_SUCCESS;
}

}  // namespace

NTSTATUS NTAPI AddDevice(PDRIVER_OBJECT driverObject, PDEVICE_OBJECT physicalDeviceObject) {
    DbgPrint("USBCTRL: AddDevice\n");

    PDEVICE_OBJECT deviceObject = nullptr;
    NTSTATUS status = IoCreateDevice(driverObject, sizeof(DEVICE_EXTENSION), nullptr,
                                     FILE_DEVICE_UNKNOWN, 0, FALSE, &deviceObject);
    if (!NT_SUCCESS(status)) {
        DbgPrint("USBCTRL: IoCreateDevice failed with result %lX\n", status);
        return status;
    }

    PDEVICE_EXTENSION extension = GetDeviceExtension(deviceObject);
    RtlZeroMemory(extension, sizeof(DEVICE_EXTENSION));
    extension->Self = deviceObject;
    extension->PhysicalDeviceObject = physicalDeviceObject;
    extension->LanguageId = kLanguageEnglishUs;
    extension->SurpriseRemoved = 0;
    InitializeRequestCount(&extension->Requests);

    GUID interfaceClass = InterfaceClass();
    status = IoRegisterDeviceInterface(physicalDeviceObject, &interfaceClass, nullptr,
                                       &extension->SymbolicLinkName);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(deviceObject);
        return status;
    }
    DbgPrint("USBCTRL: Symbolic link - %wZ\n", &extension->SymbolicLinkName);

    extension->LowerDeviceObject = IoAttachDeviceToDeviceStack(deviceObject, physicalDeviceObject);
    if (extension->LowerDeviceObject == nullptr) {
        DbgPrint("USBCTRL: IoAttachDeviceToDeviceStack failed\n");
        // The link name is ours to free; nothing else will once the device object is gone.
        RtlFreeUnicodeString(&extension->SymbolicLinkName);
        IoDeleteDevice(deviceObject);
        return STATUS_UNSUCCESSFUL;
    }

    // Plain reads and writes get a system buffer: the caller's own buffer is
    // valid only in its thread and only while it does not free it.
    deviceObject->Flags |= DO_BUFFERED_IO | DO_POWER_PAGABLE;
    deviceObject->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI DispatchCreate(PDEVICE_OBJECT deviceObject, PIRP irp) {
    DbgPrint("USBCTRL: DispatchCreate\n");
    return CompleteOpen(deviceObject, irp);
}

// A close is for a handle already open and must not fail, not even while
// removal waits to take the device apart: it is not counted among the requests and touches
// nothing but its own request.
NTSTATUS NTAPI DispatchClose(PDEVICE_OBJECT /*deviceObject*/, PIRP irp) {
    DbgPrint("USBCTRL: DispatchClose\n");
    return CompleteRequest(irp, STATUS_SUCCESS, 0);
}
