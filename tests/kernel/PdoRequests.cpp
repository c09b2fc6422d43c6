#include "tests/kernel/PdoRequests.h"

#include "platform/kernel/PnpManager.h"

namespace corvane::kernel::test {

NTSTATUS SendPnpToPdo(KernelHost& host, PDEVICE_OBJECT pdo, UCHAR minor) {
    RequestResult result{STATUS_NO_SUCH_DEVICE, 0, false};
    host.Pnp().RunAndWait([&] {
        PIRP irp = host.Io().NewHostIrp(pdo);
        irp->IoStatus.Status = STATUS_NOT_SUPPORTED;
        PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
        next->MajorFunction = IRP_MJ_PNP;
        next->MinorFunction = minor;
        result = host.Io().SendAndWait(pdo, irp);
    });
    return result.status;
}

NTSTATUS SubmitUrbToPdo(PDEVICE_OBJECT pdo, PURB urb) {
    KEVENT event;
    IO_STATUS_BLOCK iosb{};
    KeInitializeEvent(&event, NotificationEvent, FALSE);
    PIRP irp = IoBuildDeviceIoControlRequest(IOCTL_INTERNAL_USB_SUBMIT_URB, pdo, nullptr, 0,
                                             nullptr, 0, TRUE, &event, &iosb);
    if (irp == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    IoGetNextIrpStackLocation(irp)->Parameters.Others.Argument1 = urb;
    NTSTATUS status = IofCallDriver(pdo, irp);
    if (status == STATUS_PENDING) {
        KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, nullptr);
        status = iosb.Status;
    }
    return status;
}

NTSTATUS ReadDeviceDescriptorFromPdo(PDEVICE_OBJECT pdo) {
    // Transfer buffers come from non-paged pool, as DMA needs.
    constexpr ULONG kTag = 0x6F645050;  // "PPdo"
    void* buffer = ExAllocatePoolWithTag(NonPagedPool, 18, kTag);
    URB urb{};
    UsbBuildGetDescriptorRequest(&urb, sizeof(struct _URB_CONTROL_DESCRIPTOR_REQUEST),
                                 USB_DEVICE_DESCRIPTOR_TYPE, 0, 0, buffer, nullptr, 18, nullptr);
    NTSTATUS status = SubmitUrbToPdo(pdo, &urb);
    ExFreePoolWithTag(buffer, kTag);
    return status;
}

}  // namespace corvane::kernel::test
