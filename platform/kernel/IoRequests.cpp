// Requests the host originates and waits for: user-mode create, cleanup,
// close, device control, read and write, and the Plug and Play manager's
// requests.
#include <cstdio>
#include <cstring>

#include "platform/kernel/CurrentHost.h"
#include "platform/kernel/IoManager.h"
#include "platform/kernel/KernelHost.h"

namespace corvane::kernel {

PIRP IoManager::NewHostIrp(PDEVICE_OBJECT target) {
    // Injected IRP failures are meant for the driver, not for the host's requests.
    PIRP irp = AllocateIrp(target->StackSize, IrpOrigin::Host);
    if (irp == nullptr) {
        BugCheck("out of memory for a host request");
    }
    return irp;
}

RequestResult IoManager::SendAndWait(PDEVICE_OBJECT target, PIRP irp) {
    IrpPrivate* priv = Private(irp);
    host_.Events().Initialize(&priv->hostEvent, NotificationEvent, false);
    irp->UserEvent = &priv->hostEvent;
    irp->UserIosb = &priv->hostIosb;
    UCHAR major = IoGetNextIrpStackLocation(irp)->MajorFunction;
    UCHAR minor = IoGetNextIrpStackLocation(irp)->MinorFunction;
    NTSTATUS returned = CallDriver(target, irp);
    if (returned == STATUS_PENDING) {
        host_.Events().Wait(&priv->hostEvent, nullptr);
    } else if (host_.Events().Read(&priv->hostEvent) == 0) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "dispatch routine for major 0x%02X minor 0x%02X returned 0x%08X without "
                      "completing the request or returning STATUS_PENDING",
                      major, minor, static_cast<unsigned>(returned));
        host_.ReportViolation(text);
        // The request stays with the driver; it is never freed.
        return RequestResult{returned, 0, false};
    }
    RequestResult result{priv->hostIosb.Status, priv->hostIosb.Information,
                         priv->startNextPowerCalled};
    if (returned != STATUS_PENDING && returned != result.status) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "dispatch routine for major 0x%02X minor 0x%02X returned 0x%08X but "
                      "completed the request with 0x%08X",
                      major, minor, static_cast<unsigned>(returned),
                      static_cast<unsigned>(result.status));
        host_.ReportViolation(text);
    }
    FreeIrp(irp);
    return result;
}

PFILE_OBJECT IoManager::CreateFileObject(PDEVICE_OBJECT device) {
    auto* file = new FILE_OBJECT{};
    file->Type = 5;
    file->Size = sizeof(FILE_OBJECT);
    file->DeviceObject = device;
    Reference(device);
    return file;
}

void IoManager::DeleteFileObject(PFILE_OBJECT file) {
    Dereference(file->DeviceObject);
    delete file;
}

RequestResult IoManager::SendFileRequest(PDEVICE_OBJECT target, PFILE_OBJECT file, UCHAR major) {
    PIRP irp = NewHostIrp(target);
    irp->RequestorMode = UserMode;
    irp->Tail.Overlay.OriginalFileObject = file;
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = major;
    next->FileObject = file;
    if (major == IRP_MJ_CREATE) {
        next->Parameters.Create.Options = 1u << 24;  // FILE_OPEN
        next->Parameters.Create.ShareAccess = 3;     // read and write
    }
    return SendAndWait(target, irp);
}

RequestResult IoManager::DeviceControl(PDEVICE_OBJECT target, PFILE_OBJECT file, ULONG code,
                                       const void* in, ULONG inLength, void* out, ULONG outLength) {
    PIRP irp = NewHostIrp(target);
    irp->RequestorMode = UserMode;
    irp->Tail.Overlay.OriginalFileObject = file;
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = IRP_MJ_DEVICE_CONTROL;
    next->FileObject = file;
    next->Parameters.DeviceIoControl.IoControlCode = code;
    next->Parameters.DeviceIoControl.InputBufferLength = inLength;
    next->Parameters.DeviceIoControl.OutputBufferLength = outLength;
    NTSTATUS status = SetUpBuffers(irp, METHOD_FROM_CTL_CODE(code), in, inLength, out, outLength);
    if (!NT_SUCCESS(status)) {
        FreeIrp(irp);
        return RequestResult{status, 0, false};
    }
    RequestResult result = SendAndWait(target, irp);
    if (NT_ERROR(result.status)) {
        result.information = 0;
    } else if (METHOD_FROM_CTL_CODE(code) == METHOD_BUFFERED && result.information > outLength) {
        result.information = outLength;
    }
    return result;
}

RequestResult IoManager::ReadWrite(PDEVICE_OBJECT target, PFILE_OBJECT file, UCHAR major,
                                   void* buffer, ULONG length) {
    PIRP irp = NewHostIrp(target);
    irp->RequestorMode = UserMode;
    irp->Tail.Overlay.OriginalFileObject = file;
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = major;
    next->FileObject = file;
    if (major == IRP_MJ_READ) {
        next->Parameters.Read.Length = length;
    } else {
        next->Parameters.Write.Length = length;
    }
    if (target->Flags & (DO_BUFFERED_IO | DO_DIRECT_IO)) {
        if (buffer == nullptr && length > 0) {
            // The I/O manager probes the caller's buffer before any driver sees the request.
            FreeIrp(irp);
            return RequestResult{STATUS_ACCESS_VIOLATION, 0, false};
        }
        bool isRead = major == IRP_MJ_READ;
        NTSTATUS status =
            SetUpBuffers(irp, METHOD_BUFFERED, isRead ? nullptr : buffer, isRead ? 0 : length,
                         isRead ? buffer : nullptr, isRead ? length : 0);
        if (!NT_SUCCESS(status)) {
            FreeIrp(irp);
            return RequestResult{status, 0, false};
        }
    } else {
        // Neither I/O: the driver works on the caller's own buffer.
        irp->UserBuffer = buffer;
    }
    RequestResult result = SendAndWait(target, irp);
    if (result.information > length) {
        result.information = length;
    }
    if (NT_ERROR(result.status)) {
        result.information = 0;
    }
    return result;
}

}  // namespace corvane::kernel
