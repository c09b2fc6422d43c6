// Driver entry: finds the system generation and fills the dispatch table.
#include "driver/Driver.h"

#include "driver/Device.h"
#include "driver/IoCtrl.h"
#include "driver/PnP.h"
#include "driver/Power.h"
#include "driver/ReadWrite.h"

ULONG Windows = kWindows98;

namespace {

ULONG FindGeneration() {
    if (IoIsWdmVersionAvailable(1, 0x20)) {
        DbgPrint("USBCTRL: WINDOWS XP\n");
        return kWindowsXp;
    }
    if (IoIsWdmVersionAvailable(1, 0x10)) {
        DbgPrint("USBCTRL: WINDOWS 2000\n");
        return kWindows2000;
    }
    if (IoIsWdmVersionAvailable(1, 5)) {
        DbgPrint("USBCTRL: WINDOWS ME\n");
        return kWindowsMe;
    }
    DbgPrint("USBCTRL: WINDOWS 98\n");
    return kWindows98;
}

}  // namespace

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driverObject, PUNICODE_STRING registryPath) {
    DbgPrint("USBCTRL: DriverEntry\n");
    Windows = FindGeneration();

    driverObject->DriverExtension->AddDevice = AddDevice;
    driverObject->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
    driverObject->MajorFunction[IRP_MJ_CLOSE] = DispatchClose;
    driverObject->MajorFunction[IRP_MJ_READ] = DispatchRead;
    driverObject->MajorFunction[IRP_MJ_WRITE] = DispatchWrite;
    driverObject->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchIoControl;
    driverObject->MajorFunction[IRP_MJ_PNP] = DispatchPnP;
    driverObject->MajorFunction[IRP_MJ_POWER] = DispatchPower;
    driverObject->DriverUnload = DriverUnload;

    // %wZ prints the counted string: its buffer need not end in a NUL.
    DbgPrint("USBCTRL: RegistryPath - %wZ\n", registryPath);
    return STATUS_SUCCESS;
}

VOID NTAPI DriverUnload(PDRIVER_OBJECT /*driverObject*/) {
    DbgPrint("USBCTRL: DriverUnload\n");
}
