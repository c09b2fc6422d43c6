// The I/O manager's and power manager's services as C functions.
#include <cstring>

#include "platform/kernel/CurrentHost.h"
#include "platform/kernel/DeviceInterfaces.h"
#include "platform/kernel/KernelHost.h"

using corvane::kernel::CurrentHost;
using corvane::kernel::IoManager;
using corvane::kernel::IrpOrigin;

namespace {
constexpr uint32_t kLinkNameTag = corvane::kernel::PoolTag("Strg");
}

extern "C" {

NTSTATUS IoCreateDevice(PDRIVER_OBJECT DriverObject, ULONG DeviceExtensionSize, PUNICODE_STRING,
                        DEVICE_TYPE DeviceType, ULONG DeviceCharacteristics, BOOLEAN Exclusive,
                        PDEVICE_OBJECT* DeviceObject) {
    return CurrentHost().Io().CreateDevice(DriverObject, DeviceExtensionSize, DeviceType,
                                           DeviceCharacteristics, Exclusive != FALSE, DeviceObject);
}

VOID IoDeleteDevice(PDEVICE_OBJECT DeviceObject) {
    CurrentHost().Io().DeleteDevice(DeviceObject);
}

PDEVICE_OBJECT IoAttachDeviceToDeviceStack(PDEVICE_OBJECT SourceDevice,
                                           PDEVICE_OBJECT TargetDevice) {
    return CurrentHost().Io().AttachToStack(SourceDevice, TargetDevice);
}

VOID IoDetachDevice(PDEVICE_OBJECT TargetDevice) {
    CurrentHost().Io().Detach(TargetDevice);
}

PDEVICE_OBJECT IoGetAttachedDevice(PDEVICE_OBJECT DeviceObject) {
    return CurrentHost().Io().TopOfStack(DeviceObject);
}

NTSTATUS IoRegisterDeviceInterface(PDEVICE_OBJECT PhysicalDeviceObject,
                                   CONST GUID* InterfaceClassGuid, PUNICODE_STRING ReferenceString,
                                   PUNICODE_STRING SymbolicLinkName) {
    if (PhysicalDeviceObject == nullptr || InterfaceClassGuid == nullptr ||
        SymbolicLinkName == nullptr) {
        return STATUS_INVALID_PARAMETER;
    }
    std::u16string link;
    NTSTATUS status = CurrentHost().Interfaces().Register(PhysicalDeviceObject, *InterfaceClassGuid,
                                                          ReferenceString, &link);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    std::size_t bytes = (link.size() + 1) * sizeof(WCHAR);
    auto* buffer = static_cast<PWSTR>(CurrentHost().Pool().Allocate(bytes, kLinkNameTag));
    if (buffer == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    std::memcpy(buffer, link.c_str(), bytes);
    SymbolicLinkName->Buffer = buffer;
    SymbolicLinkName->Length = static_cast<USHORT>(link.size() * sizeof(WCHAR));
    SymbolicLinkName->MaximumLength = static_cast<USHORT>(bytes);
    return STATUS_SUCCESS;
}

NTSTATUS IoSetDeviceInterfaceState(PUNICODE_STRING SymbolicLinkName, BOOLEAN Enable) {
    if (SymbolicLinkName == nullptr || SymbolicLinkName->Buffer == nullptr) {
        return STATUS_INVALID_PARAMETER;
    }
    return CurrentHost().Interfaces().SetState(
        std::u16string_view(SymbolicLinkName->Buffer, SymbolicLinkName->Length / sizeof(WCHAR)),
        Enable != FALSE);
}

BOOLEAN IoIsWdmVersionAvailable(UCHAR MajorVersion, UCHAR MinorVersion) {
    return CurrentHost().IsWdmVersionAvailable(MajorVersion, MinorVersion) ? TRUE : FALSE;
}

PIRP IoAllocateIrp(CCHAR StackSize, BOOLEAN) {
    return CurrentHost().Io().AllocateIrp(StackSize, IrpOrigin::Allocated);
}

VOID IoFreeIrp(PIRP Irp) {
    if (IoManager::IsFreed(Irp)) {
        CurrentHost().ReportViolation("IRP freed twice");
        return;
    }
    if (IoManager::Private(Irp)->origin != IrpOrigin::Allocated) {
        CurrentHost().ReportViolation("IoFreeIrp of an IRP the kernel owns");
        return;
    }
    CurrentHost().Io().FreeIrp(Irp);
}

PIRP IoBuildDeviceIoControlRequest(ULONG IoControlCode, PDEVICE_OBJECT DeviceObject,
                                   PVOID InputBuffer, ULONG InputBufferLength, PVOID OutputBuffer,
                                   ULONG OutputBufferLength, BOOLEAN InternalDeviceIoControl,
                                   PKEVENT Event, PIO_STATUS_BLOCK IoStatusBlock) {
    return CurrentHost().Io().BuildDeviceIoControl(
        IoControlCode, DeviceObject, InputBuffer, InputBufferLength, OutputBuffer,
        OutputBufferLength, InternalDeviceIoControl != FALSE, Event, IoStatusBlock);
}

NTSTATUS IofCallDriver(PDEVICE_OBJECT DeviceObject, PIRP Irp) {
    return CurrentHost().Io().CallDriver(DeviceObject, Irp);
}

VOID IofCompleteRequest(PIRP Irp, CCHAR) {
    CurrentHost().Io().CompleteRequest(Irp);
}

VOID PoStartNextPowerIrp(PIRP Irp) {
    IoManager::Private(Irp)->startNextPowerCalled = true;
    IoManager::Private(Irp)->powerStarted = true;
}

NTSTATUS PoCallDriver(PDEVICE_OBJECT DeviceObject, PIRP Irp) {
    return CurrentHost().Io().CallPowerDriver(DeviceObject, Irp);
}

POWER_STATE PoSetPowerState(PDEVICE_OBJECT, POWER_STATE_TYPE, POWER_STATE State) {
    return State;
}

}  // extern "C"
