#include "platform/kernel/UsbBusDevice.h"

#include <cstddef>
#include <cstring>
#include <utility>

#include "platform/kernel/CurrentHost.h"
#include "platform/kernel/KernelHost.h"
#include "platform/kernel/ddk/usbdlib.h"

namespace corvane::kernel {

namespace {

NTSTATUS Finish(PIRP irp, PURB urb, NTSTATUS status, USBD_STATUS usbdStatus) {
    CompleteUrb(irp, urb, status, usbdStatus);
    return status;
}

NTSTATUS StatusOf(usb::UsbResult result, USBD_STATUS* usbdStatus) {
    switch (result) {
        case usb::UsbResult::Ok:
            *usbdStatus = USBD_STATUS_SUCCESS;
            return STATUS_SUCCESS;
        case usb::UsbResult::Stall:
            *usbdStatus = USBD_STATUS_STALL_PID;
            return STATUS_UNSUCCESSFUL;
        case usb::UsbResult::NoDevice:
            break;
    }
    *usbdStatus = USBD_STATUS_DEVICE_GONE;
    return STATUS_DEVICE_NOT_CONNECTED;
}

}  // namespace

UsbBusDevice::UsbBusDevice(usb::UsbDevice& device, PDEVICE_OBJECT pdo,
                           std::shared_ptr<UsbPdoLifecycle> lifecycle)
    : device_(device), pdo_(pdo), lifecycle_(std::move(lifecycle)) {}

// Workers not handed over are waited for here.
UsbBusDevice::~UsbBusDevice() {
    TakePipes();
}

void UsbBusDevice::MarkGone() {
    gone_->store(true);
    // Completion routines may submit again: fail the queues outside the lock.
    // Workers live until StopPipes, which runs only once the device is removed.
    std::vector<UsbPipeWorker*> workers;
    {
        std::lock_guard lock(mutex_);
        for (auto& [endpoint, worker] : workers_) {
            workers.push_back(worker.get());
        }
    }
    for (UsbPipeWorker* worker : workers) {
        worker->FailAll(STATUS_DEVICE_NOT_CONNECTED, USBD_STATUS_DEVICE_GONE);
    }
}

std::vector<std::unique_ptr<UsbPipeWorker>> UsbBusDevice::TakePipes() {
    std::map<uint8_t, std::unique_ptr<UsbPipeWorker>> workers;
    {
        std::lock_guard lock(mutex_);
        workers.swap(workers_);
    }
    std::vector<std::unique_ptr<UsbPipeWorker>> taken;
    for (auto& [endpoint, worker] : workers) {
        worker->Stop();
        taken.push_back(std::move(worker));
    }
    return taken;
}

bool UsbBusDevice::ResetAndDrain(std::chrono::milliseconds patience) {
    usb::SetupPacket reset{0x00, usb::kRequestSetConfiguration, 0, 0, 0};
    uint32_t moved = 0;
    device_.ControlTransfer(reset, nullptr, &moved);
    std::vector<UsbPipeWorker*> workers;
    {
        std::lock_guard lock(mutex_);
        for (auto& [endpoint, worker] : workers_) {
            workers.push_back(worker.get());
        }
    }
    auto deadline = std::chrono::steady_clock::now() + patience;
    bool drained = true;
    for (UsbPipeWorker* worker : workers) {
        drained = worker->WaitOutOfDevice(deadline) && drained;
    }
    return drained;
}

NTSTATUS UsbBusDevice::SubmitUrb(PIRP irp, PURB urb) {
    if (urb == nullptr) {
        irp->IoStatus.Status = STATUS_INVALID_PARAMETER;
        IofCompleteRequest(irp, IO_NO_INCREMENT);
        return STATUS_INVALID_PARAMETER;
    }
    NTSTATUS admission = gone_->load() ? STATUS_DEVICE_NOT_CONNECTED : lifecycle_->UrbAdmission();
    if (!NT_SUCCESS(admission)) {
        if (urb->UrbHeader.Function == URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER) {
            urb->UrbBulkOrInterruptTransfer.TransferBufferLength = 0;
        }
        return Finish(irp, urb, admission, USBD_STATUS_DEVICE_GONE);
    }
    switch (urb->UrbHeader.Function) {
        case URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE:
            return GetDescriptor(irp, urb);
        case URB_FUNCTION_SELECT_CONFIGURATION:
            return SelectConfiguration(irp, urb);
        case URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER:
            return BulkOrInterrupt(irp, urb);
        case URB_FUNCTION_SYNC_RESET_PIPE_AND_CLEAR_STALL:
        case URB_FUNCTION_ABORT_PIPE:
            return ResetPipe(irp, urb);
        default:
            return Finish(irp, urb, STATUS_NOT_SUPPORTED, USBD_STATUS_INVALID_URB_FUNCTION);
    }
}

NTSTATUS UsbBusDevice::Control(const usb::SetupPacket& setup, uint8_t* data, uint32_t* moved,
                               USBD_STATUS* usbdStatus) {
    *moved = 0;
    usb::UsbResult result = device_.ControlTransfer(setup, data, moved);
    if (*moved > setup.wLength) {
        *moved = setup.wLength;
    }
    return StatusOf(result, usbdStatus);
}

NTSTATUS UsbBusDevice::GetDescriptor(PIRP irp, PURB urb) {
    auto& request = urb->UrbControlDescriptorRequest;
    if (urb->UrbHeader.Length < sizeof(struct _URB_CONTROL_DESCRIPTOR_REQUEST) ||
        (request.TransferBuffer == nullptr && request.TransferBufferLength > 0)) {
        request.TransferBufferLength = 0;
        return Finish(irp, urb, STATUS_INVALID_PARAMETER, USBD_STATUS_INVALID_PARAMETER);
    }
    uint32_t length = request.TransferBufferLength > 0xFFFF ? 0xFFFF : request.TransferBufferLength;
    CurrentHost().Io().CheckDmaBuffer(request.TransferBuffer, length, "descriptor request");
    usb::SetupPacket setup{0x80, usb::kRequestGetDescriptor,
                           static_cast<uint16_t>(request.DescriptorType << 8 | request.Index),
                           request.LanguageId, static_cast<uint16_t>(length)};
    uint32_t moved = 0;
    USBD_STATUS usbdStatus;
    NTSTATUS status =
        Control(setup, static_cast<uint8_t*>(request.TransferBuffer), &moved, &usbdStatus);
    request.TransferBufferLength = moved;
    return Finish(irp, urb, status, usbdStatus);
}

NTSTATUS UsbBusDevice::SelectConfiguration(PIRP irp, PURB urb) {
    auto& select = urb->UrbSelectConfiguration;
    const std::size_t headLength = offsetof(struct _URB_SELECT_CONFIGURATION, Interface);
    if (urb->UrbHeader.Length < headLength) {
        return Finish(irp, urb, STATUS_INVALID_PARAMETER, USBD_STATUS_INVALID_PARAMETER);
    }
    PUSB_CONFIGURATION_DESCRIPTOR config = select.ConfigurationDescriptor;
    uint32_t moved;
    USBD_STATUS usbdStatus;
    if (config == nullptr) {
        // Deconfigure: SET_CONFIGURATION(0), every pipe handle becomes invalid.
        usb::SetupPacket setup{0x00, usb::kRequestSetConfiguration, 0, 0, 0};
        NTSTATUS status = Control(setup, nullptr, &moved, &usbdStatus);
        std::lock_guard lock(mutex_);
        for (auto& pipe : pipes_) {
            retired_.push_back(std::move(pipe));
        }
        pipes_.clear();
        if (configuration_) {
            retiredConfigurations_.push_back(std::move(configuration_));
        }
        select.ConfigurationHandle = nullptr;
        return Finish(irp, urb, status, usbdStatus);
    }
    if (config->bLength < sizeof(USB_CONFIGURATION_DESCRIPTOR) ||
        config->bDescriptorType != USB_CONFIGURATION_DESCRIPTOR_TYPE ||
        config->wTotalLength < sizeof(USB_CONFIGURATION_DESCRIPTOR)) {
        return Finish(irp, urb, STATUS_INVALID_PARAMETER,
                      USBD_STATUS_INAVLID_CONFIGURATION_DESCRIPTOR);
    }
    auto* base = reinterpret_cast<UCHAR*>(config);
    const UCHAR* end = base + config->wTotalLength;
    auto* bytes = reinterpret_cast<UCHAR*>(&select.Interface);
    const UCHAR* urbEnd = reinterpret_cast<UCHAR*>(urb) + urb->UrbHeader.Length;
    const std::size_t infoHead = offsetof(USBD_INTERFACE_INFORMATION, Pipes);
    std::vector<std::unique_ptr<Pipe>> pipes;
    auto newConfiguration = std::make_unique<int>(config->bConfigurationValue);
    for (unsigned i = 0; i < config->bNumInterfaces; ++i) {
        auto* info = reinterpret_cast<PUSBD_INTERFACE_INFORMATION>(bytes);
        if (static_cast<std::size_t>(urbEnd - bytes) < infoHead || info->Length < infoHead ||
            info->Length > static_cast<std::size_t>(urbEnd - bytes)) {
            return Finish(irp, urb, STATUS_INVALID_PARAMETER, USBD_STATUS_INVALID_PARAMETER);
        }
        PUSB_INTERFACE_DESCRIPTOR descriptor = USBD_ParseConfigurationDescriptorEx(
            config, config, info->InterfaceNumber, info->AlternateSetting, -1, -1, -1);
        if (descriptor == nullptr) {
            return Finish(irp, urb, STATUS_INVALID_PARAMETER, USBD_STATUS_INTERFACE_NOT_FOUND);
        }
        std::size_t room = (info->Length - infoHead) / sizeof(USBD_PIPE_INFORMATION);
        if (descriptor->bNumEndpoints > room) {
            return Finish(irp, urb, STATUS_INVALID_PARAMETER, USBD_STATUS_BUFFER_TOO_SMALL);
        }
        info->Class = descriptor->bInterfaceClass;
        info->SubClass = descriptor->bInterfaceSubClass;
        info->Protocol = descriptor->bInterfaceProtocol;
        info->InterfaceHandle = newConfiguration.get();
        info->NumberOfPipes = descriptor->bNumEndpoints;
        // The endpoints are the endpoint descriptors that follow the interface
        // descriptor, before the next interface descriptor.
        const UCHAR* position = reinterpret_cast<UCHAR*>(descriptor) + descriptor->bLength;
        for (unsigned e = 0; e < descriptor->bNumEndpoints; ++e) {
            PUSB_COMMON_DESCRIPTOR common =
                position < end ? USBD_ParseDescriptors(base, config->wTotalLength,
                                                       const_cast<UCHAR*>(position),
                                                       USB_ENDPOINT_DESCRIPTOR_TYPE)
                               : nullptr;
            PUSB_COMMON_DESCRIPTOR nextInterface =
                position < end ? USBD_ParseDescriptors(base, config->wTotalLength,
                                                       const_cast<UCHAR*>(position),
                                                       USB_INTERFACE_DESCRIPTOR_TYPE)
                               : nullptr;
            if (common == nullptr || (nextInterface != nullptr && nextInterface < common)) {
                return Finish(irp, urb, STATUS_INVALID_PARAMETER,
                              USBD_STATUS_INAVLID_CONFIGURATION_DESCRIPTOR);
            }
            auto* endpoint = reinterpret_cast<PUSB_ENDPOINT_DESCRIPTOR>(common);
            auto pipe = std::make_unique<Pipe>(
                Pipe{endpoint->bEndpointAddress,
                     static_cast<USBD_PIPE_TYPE>(endpoint->bmAttributes & USB_ENDPOINT_TYPE_MASK),
                     endpoint->wMaxPacketSize});
            USBD_PIPE_INFORMATION& out = info->Pipes[e];
            out.MaximumPacketSize = endpoint->wMaxPacketSize;
            out.EndpointAddress = endpoint->bEndpointAddress;
            out.Interval = endpoint->bInterval;
            out.PipeType = pipe->type;
            out.PipeHandle = pipe.get();
            pipes.push_back(std::move(pipe));
            position = reinterpret_cast<UCHAR*>(common) + common->bLength;
        }
        bytes += info->Length;
    }
    usb::SetupPacket setup{0x00, usb::kRequestSetConfiguration, config->bConfigurationValue, 0, 0};
    NTSTATUS status = Control(setup, nullptr, &moved, &usbdStatus);
    std::lock_guard lock(mutex_);
    if (!NT_SUCCESS(status)) {
        for (auto& pipe : pipes) {
            retired_.push_back(std::move(pipe));
        }
        retiredConfigurations_.push_back(std::move(newConfiguration));
        select.ConfigurationHandle = nullptr;
        return Finish(
            irp, urb, status,
            usbdStatus == USBD_STATUS_STALL_PID ? USBD_STATUS_SET_CONFIG_FAILED : usbdStatus);
    }
    for (auto& pipe : pipes_) {
        retired_.push_back(std::move(pipe));
    }
    pipes_ = std::move(pipes);
    if (configuration_) {
        retiredConfigurations_.push_back(std::move(configuration_));
    }
    configuration_ = std::move(newConfiguration);
    select.ConfigurationHandle = configuration_.get();
    return Finish(irp, urb, STATUS_SUCCESS, USBD_STATUS_SUCCESS);
}

const UsbBusDevice::Pipe* UsbBusDevice::FindPipeLocked(USBD_PIPE_HANDLE handle) const {
    for (const auto& pipe : pipes_) {
        if (pipe.get() == handle) {
            return pipe.get();
        }
    }
    return nullptr;
}

UsbPipeWorker& UsbBusDevice::WorkerLocked(uint8_t endpoint) {
    std::unique_ptr<UsbPipeWorker>& worker = workers_[endpoint];
    if (!worker) {
        worker = std::make_unique<UsbPipeWorker>(device_, endpoint, gone_);
    }
    return *worker;
}

NTSTATUS UsbBusDevice::BulkOrInterrupt(PIRP irp, PURB urb) {
    auto& bulk = urb->UrbBulkOrInterruptTransfer;
    std::lock_guard lock(mutex_);
    const Pipe* pipe = FindPipeLocked(bulk.PipeHandle);
    if (urb->UrbHeader.Length < sizeof(struct _URB_BULK_OR_INTERRUPT_TRANSFER) || pipe == nullptr) {
        bulk.TransferBufferLength = 0;
        return Finish(irp, urb, STATUS_INVALID_PARAMETER, USBD_STATUS_INVALID_PIPE_HANDLE);
    }
    if ((pipe->type != UsbdPipeTypeBulk && pipe->type != UsbdPipeTypeInterrupt) ||
        (bulk.TransferBuffer == nullptr && bulk.TransferBufferLength > 0)) {
        bulk.TransferBufferLength = 0;
        return Finish(irp, urb, STATUS_INVALID_PARAMETER, USBD_STATUS_INVALID_PARAMETER);
    }
    // The I/O manager's and the pool's locks are leaves: checking under ours is safe.
    CurrentHost().Io().CheckDmaBuffer(bulk.TransferBuffer, bulk.TransferBufferLength,
                                      "bulk or interrupt transfer");
    // The pipe's endpoint decides the direction, whatever the flags say.
    IoMarkIrpPending(irp);
    WorkerLocked(pipe->endpoint)
        .Queue(irp, urb, (bulk.TransferFlags & USBD_SHORT_TRANSFER_OK) != 0);
    return STATUS_PENDING;
}

NTSTATUS UsbBusDevice::ResetPipe(PIRP irp, PURB urb) {
    uint8_t endpoint;
    UsbPipeWorker* worker = nullptr;
    {
        std::lock_guard lock(mutex_);
        const Pipe* pipe = FindPipeLocked(urb->UrbPipeRequest.PipeHandle);
        if (pipe == nullptr) {
            return Finish(irp, urb, STATUS_INVALID_PARAMETER, USBD_STATUS_INVALID_PIPE_HANDLE);
        }
        endpoint = pipe->endpoint;
        auto found = workers_.find(endpoint);
        if (found != workers_.end()) {
            worker = found->second.get();
        }
    }
    if (worker != nullptr) {
        worker->FailAll(STATUS_CANCELLED, USBD_STATUS_CANCELED);
    }
    if (urb->UrbHeader.Function == URB_FUNCTION_ABORT_PIPE) {
        return Finish(irp, urb, STATUS_SUCCESS, USBD_STATUS_SUCCESS);
    }
    // CLEAR_FEATURE(ENDPOINT_HALT) to the endpoint.
    usb::SetupPacket setup{0x02, 0x01, 0, endpoint, 0};
    uint32_t moved;
    USBD_STATUS usbdStatus;
    NTSTATUS status = Control(setup, nullptr, &moved, &usbdStatus);
    return Finish(irp, urb, status, usbdStatus);
}

}  // namespace corvane::kernel
