// Device nodes: AddDevice and start on arrival, surprise removal when the
// device goes, removal once the last handle is closed, and the Plug and Play
// and power requests the manager sends.
#include <cstdio>

#include "platform/kernel/DeviceInterfaces.h"
#include "platform/kernel/PnpManager.h"

namespace corvane::kernel {

void PnpManager::DeviceArrived(PDEVICE_OBJECT pdo, std::function<void()> deletePdo) {
    {
        std::lock_guard lock(mutex_);
        Node node;
        node.deletePdo = std::move(deletePdo);
        nodes_[pdo] = std::move(node);
    }
    if (!EnsureDriverLoaded()) {
        return;
    }
    PDRIVER_OBJECT driver = Driver();
    PDRIVER_ADD_DEVICE addDevice = driver->DriverExtension->AddDevice;
    NTSTATUS status = addDevice != nullptr ? addDevice(driver, pdo) : STATUS_NOT_SUPPORTED;
    bool attached = NT_SUCCESS(status) && pdo->AttachedDevice != nullptr;
    if (attached) {
        PDEVICE_OBJECT top = host_.Io().TopOfStack(pdo);
        if (top->Flags & DO_DEVICE_INITIALIZING) {
            host_.ReportViolation("AddDevice left DO_DEVICE_INITIALIZING set");
        }
    } else if (NT_SUCCESS(status)) {
        host_.ReportViolation("AddDevice succeeded without attaching a device object");
    }
    {
        std::lock_guard lock(mutex_);
        nodes_[pdo].hasStack = attached;
    }
    if (!attached) {
        UnloadDriverIfUnused();
        return;
    }
    StartNode(pdo);
}

void PnpManager::StartNode(PDEVICE_OBJECT pdo) {
    {
        std::lock_guard lock(mutex_);
        nodes_[pdo].state = DeviceState::Starting;
    }
    RequestResult start = SendPnpNow(pdo, IRP_MN_START_DEVICE);
    if (NT_SUCCESS(start.status)) {
        SendPnpNow(pdo, IRP_MN_QUERY_CAPABILITIES);
        SendPnpNow(pdo, IRP_MN_QUERY_PNP_DEVICE_STATE);
        return;
    }
    if (host_.RemoveOnFailedStart()) {
        RemoveStack(pdo);
    }
}

void PnpManager::DeviceGone(PDEVICE_OBJECT pdo) {
    bool hasStack;
    {
        std::lock_guard lock(mutex_);
        auto it = nodes_.find(pdo);
        if (it == nodes_.end()) {
            return;
        }
        hasStack = it->second.hasStack;
        if (hasStack) {
            it->second.state = DeviceState::SurpriseRemoved;
        }
    }
    WindowsGeneration generation = host_.Generation();
    if (hasStack &&
        (generation == WindowsGeneration::Win98 || generation == WindowsGeneration::WinMe)) {
        // 98 and ME know no surprise removal: the removal request comes at
        // once, whatever handles are still open and requests inside.
        RemoveStack(pdo);
        std::lock_guard lock(mutex_);
        Node& node = nodes_[pdo];
        if (node.openFiles > 0) {
            node.finishWhenClosed = true;
            return;
        }
        hasStack = false;
    }
    if (hasStack) {
        SendPnpNow(pdo, IRP_MN_SURPRISE_REMOVAL);
        std::lock_guard lock(mutex_);
        Node& node = nodes_[pdo];
        if (node.openFiles > 0) {
            node.removeWhenClosed = true;
            return;
        }
    }
    if (hasStack) {
        RemoveStack(pdo);
    }
    FinishNode(pdo);
}

NTSTATUS PnpManager::OrderlyRemove(PDEVICE_OBJECT pdo) {
    bool hasStack;
    {
        std::lock_guard lock(mutex_);
        auto it = nodes_.find(pdo);
        if (it == nodes_.end()) {
            return STATUS_NO_SUCH_DEVICE;
        }
        if (it->second.openFiles > 0) {
            return STATUS_DEVICE_BUSY;
        }
        it->second.removing = true;
        hasStack = it->second.hasStack;
    }
    if (hasStack) {
        RequestResult query = SendPnpNow(pdo, IRP_MN_QUERY_REMOVE_DEVICE);
        if (!NT_SUCCESS(query.status)) {
            SendPnpNow(pdo, IRP_MN_CANCEL_REMOVE_DEVICE);
            std::lock_guard lock(mutex_);
            nodes_[pdo].removing = false;
            return query.status;
        }
        RemoveStack(pdo);
    }
    FinishNode(pdo);
    return STATUS_SUCCESS;
}

void PnpManager::RemoveStack(PDEVICE_OBJECT pdo) {
    SendPnpNow(pdo, IRP_MN_REMOVE_DEVICE);
    if (pdo->AttachedDevice != nullptr) {
        host_.ReportViolation("removal left a device object attached to the physical device");
        host_.Io().Detach(pdo);
    }
    {
        std::lock_guard lock(mutex_);
        auto it = nodes_.find(pdo);
        if (it != nodes_.end()) {
            it->second.hasStack = false;
            it->second.removeWhenClosed = false;
            if (it->second.state != DeviceState::SurpriseRemoved) {
                it->second.state = DeviceState::NoDriver;
            }
        }
    }
    UnloadDriverIfUnused();
}

void PnpManager::FinishNode(PDEVICE_OBJECT pdo) {
    std::function<void()> deletePdo;
    {
        std::lock_guard lock(mutex_);
        auto it = nodes_.find(pdo);
        if (it == nodes_.end()) {
            return;
        }
        deletePdo = std::move(it->second.deletePdo);
        nodes_.erase(it);
    }
    host_.Interfaces().ForgetDevice(pdo);
    if (deletePdo) {
        deletePdo();
    }
    UnloadDriverIfUnused();
}

NTSTATUS PnpManager::BeginOpen(std::string_view path, PDEVICE_OBJECT* pdoOut,
                               PDEVICE_OBJECT* topOut) {
    PDEVICE_OBJECT pdo = host_.Interfaces().FindEnabled(path);
    if (pdo == nullptr) {
        return STATUS_OBJECT_NAME_NOT_FOUND;
    }
    std::lock_guard lock(mutex_);
    auto it = nodes_.find(pdo);
    if (it == nodes_.end() || !it->second.hasStack) {
        return STATUS_NO_SUCH_DEVICE;
    }
    if (it->second.removing || it->second.state == DeviceState::SurpriseRemoved) {
        return STATUS_DELETE_PENDING;
    }
    // Windows keeps a stack "start pending" until its start has succeeded: a
    // driver that enables its interface early sees no open before then.
    if (it->second.state == DeviceState::Starting) {
        return STATUS_NO_SUCH_DEVICE;
    }
    ++it->second.openFiles;
    *pdoOut = pdo;
    *topOut = host_.Io().TopOfStack(pdo);
    return STATUS_SUCCESS;
}

void PnpManager::FileClosed(PDEVICE_OBJECT pdo) {
    bool removeNow = false;
    bool finishNow = false;
    {
        std::lock_guard lock(mutex_);
        auto it = nodes_.find(pdo);
        if (it == nodes_.end()) {
            return;
        }
        --it->second.openFiles;
        removeNow = it->second.openFiles == 0 && it->second.removeWhenClosed;
        if (removeNow) {
            it->second.removeWhenClosed = false;
        }
        finishNow = it->second.openFiles == 0 && it->second.finishWhenClosed;
    }
    if (removeNow) {
        Post([this, pdo] {
            RemoveStack(pdo);
            FinishNode(pdo);
        });
    } else if (finishNow) {
        Post([this, pdo] { FinishNode(pdo); });
    }
}

DeviceState PnpManager::StateOf(PDEVICE_OBJECT pdo) const {
    std::lock_guard lock(mutex_);
    auto it = nodes_.find(pdo);
    return it == nodes_.end() ? DeviceState::NotPresent : it->second.state;
}

std::optional<DEVICE_CAPABILITIES> PnpManager::Capabilities(PDEVICE_OBJECT pdo) const {
    std::lock_guard lock(mutex_);
    auto it = nodes_.find(pdo);
    return it == nodes_.end() ? std::nullopt : it->second.capabilities;
}

RequestResult PnpManager::SendPnp(PDEVICE_OBJECT pdo, UCHAR minor) {
    if (minor == IRP_MN_REMOVE_DEVICE || minor == IRP_MN_SURPRISE_REMOVAL) {
        // Removal belongs to the manager (unplug or RemoveDevice).
        return RequestResult{STATUS_INVALID_PARAMETER, 0, false};
    }
    RequestResult result{STATUS_NO_SUCH_DEVICE, 0, false};
    RunAndWait([&] {
        {
            std::lock_guard lock(mutex_);
            auto it = nodes_.find(pdo);
            if (it == nodes_.end() || !it->second.hasStack) {
                return;
            }
        }
        result = SendPnpNow(pdo, minor);
    });
    return result;
}

RequestResult PnpManager::SendPnpNow(PDEVICE_OBJECT pdo, UCHAR minor) {
    PDEVICE_OBJECT top = host_.Io().TopOfStack(pdo);
    PIRP irp = host_.Io().NewHostIrp(top);
    irp->IoStatus.Status = STATUS_NOT_SUPPORTED;
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = IRP_MJ_PNP;
    next->MinorFunction = minor;
    DEVICE_CAPABILITIES capabilities{};
    if (minor == IRP_MN_QUERY_CAPABILITIES) {
        capabilities.Size = sizeof(DEVICE_CAPABILITIES);
        capabilities.Version = 1;
        capabilities.Address = 0xFFFFFFFF;
        capabilities.UINumber = 0xFFFFFFFF;
        next->Parameters.DeviceCapabilities.Capabilities = &capabilities;
    } else if (minor == IRP_MN_QUERY_DEVICE_RELATIONS) {
        next->Parameters.QueryDeviceRelations.Type = TargetDeviceRelation;
    } else if (minor == IRP_MN_QUERY_ID) {
        next->Parameters.QueryId.IdType = BusQueryDeviceID;
    }
    RequestResult result = host_.Io().SendAndWait(top, irp);
    std::lock_guard lock(mutex_);
    auto it = nodes_.find(pdo);
    if (it == nodes_.end()) {
        return result;
    }
    if (minor == IRP_MN_QUERY_CAPABILITIES && NT_SUCCESS(result.status)) {
        it->second.capabilities = capabilities;
    } else if (minor == IRP_MN_START_DEVICE) {
        it->second.state =
            NT_SUCCESS(result.status) ? DeviceState::Started : DeviceState::StartFailed;
    }
    return result;
}

RequestResult PnpManager::SendPower(PDEVICE_OBJECT pdo, UCHAR minor, POWER_STATE_TYPE type,
                                    POWER_STATE state, POWER_ACTION shutdownType) {
    {
        std::lock_guard lock(mutex_);
        auto it = nodes_.find(pdo);
        if (it == nodes_.end() || !it->second.hasStack) {
            return RequestResult{STATUS_NO_SUCH_DEVICE, 0, false};
        }
        // Keeps the stack from being removed while the request is in it.
        ++it->second.openFiles;
    }
    PDEVICE_OBJECT top = host_.Io().TopOfStack(pdo);
    PIRP irp = host_.Io().NewHostIrp(top);
    irp->IoStatus.Status = STATUS_NOT_SUPPORTED;
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = IRP_MJ_POWER;
    next->MinorFunction = minor;
    next->Parameters.Power.Type = type;
    next->Parameters.Power.State = state;
    next->Parameters.Power.ShutdownType = shutdownType;
    RequestResult result = host_.Io().SendAndWait(top, irp);
    FileClosed(pdo);
    return result;
}

}  // namespace corvane::kernel
