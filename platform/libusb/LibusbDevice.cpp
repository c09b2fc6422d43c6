#include "platform/libusb/LibusbDevice.h"

#include <libusb.h>

#include <cstring>
#include <vector>

namespace corvane::usb {

namespace {

constexpr unsigned kControlTimeoutMs = 5000;

UsbResult ResultOf(libusb_transfer_status status) {
    switch (status) {
        case LIBUSB_TRANSFER_COMPLETED:
            return UsbResult::Ok;
        case LIBUSB_TRANSFER_NO_DEVICE:
        case LIBUSB_TRANSFER_CANCELLED:  // only the reset or a departure cancels
            return UsbResult::NoDevice;
        default:  // a stall, a time-out, a broken transfer: the request failed
            return UsbResult::Stall;
    }
}

OpenFailure FailureOf(int result) {
    switch (result) {
        case LIBUSB_SUCCESS:
            return OpenFailure::None;
        case LIBUSB_ERROR_ACCESS:
            return OpenFailure::NoPermission;
        case LIBUSB_ERROR_BUSY:
            return OpenFailure::Busy;
        case LIBUSB_ERROR_NO_DEVICE:
            return OpenFailure::Gone;
        default:
            return OpenFailure::Other;
    }
}

}  // namespace

// One transfer's end, told by the event thread to the thread that waits for it.
struct LibusbDevice::Flight {
    explicit Flight(LibusbDevice* owner) : device(owner) {}
    LibusbDevice* device;
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    libusb_transfer_status status = LIBUSB_TRANSFER_ERROR;
    int actual = 0;
};

std::unique_ptr<LibusbDevice> LibusbDevice::Open(libusb_device* device, OpenFailure* failure) {
    libusb_device_handle* handle = nullptr;
    *failure = FailureOf(libusb_open(device, &handle));
    if (*failure != OpenFailure::None) {
        return nullptr;
    }
    return std::unique_ptr<LibusbDevice>(new LibusbDevice(device, handle));
}

LibusbDevice::LibusbDevice(libusb_device* device, libusb_device_handle* handle)
    : device_(libusb_ref_device(device)), handle_(handle), location_(LocationOf(device)) {
    // A claim detaches a kernel driver and the release gives it back.
    libusb_set_auto_detach_kernel_driver(handle_, 1);
}

LibusbDevice::~LibusbDevice() {
    Close();
    libusb_unref_device(device_);
}

void LibusbDevice::Close() {
    {
        std::unique_lock lock(mutex_);
        if (handle_ == nullptr) {
            return;
        }
        departed_ = true;
        EndTransfers(lock);
    }
    ReleaseClaims();
    std::lock_guard lock(mutex_);
    libusb_close(handle_);
    handle_ = nullptr;
}

std::string LibusbDevice::SerialNumber() {
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(device_, &descriptor) != LIBUSB_SUCCESS ||
        descriptor.iSerialNumber == 0) {
        return {};
    }
    unsigned char text[256];
    const int length =
        libusb_get_string_descriptor_ascii(handle_, descriptor.iSerialNumber, text, sizeof text);
    return length > 0 ? std::string(reinterpret_cast<char*>(text), static_cast<size_t>(length))
                      : std::string();
}

OpenFailure LibusbDevice::Claim() {
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(device_, &config) != LIBUSB_SUCCESS) {
        return OpenFailure::Other;
    }
    const int interfaces = config->bNumInterfaces;
    std::vector<int> numbers;
    for (int i = 0; i < interfaces; ++i) {
        numbers.push_back(config->interface[i].altsetting[0].bInterfaceNumber);
    }
    libusb_free_config_descriptor(config);
    for (int number : numbers) {
        const int result = libusb_claim_interface(handle_, number);
        if (result != LIBUSB_SUCCESS) {
            ReleaseClaims();
            return FailureOf(result);
        }
        std::lock_guard lock(mutex_);
        claimed_.insert(number);
    }
    return OpenFailure::None;
}

void LibusbDevice::ReleaseClaims() {
    std::set<int> claimed;
    {
        std::lock_guard lock(mutex_);
        claimed.swap(claimed_);
    }
    for (int number : claimed) {
        libusb_release_interface(handle_, number);
    }
}

void LibusbDevice::Depart() {
    {
        std::unique_lock lock(mutex_);
        if (departed_) {
            return;
        }
        departed_ = true;
        for (libusb_transfer* transfer : inFlight_) {
            libusb_cancel_transfer(transfer);
        }
    }
    std::lock_guard portLock(portMutex_);
    if (port_ != nullptr && !departureReported_) {
        departureReported_ = true;
        port_->DeviceDetached();
    }
}

void LibusbDevice::SetPort(UsbPort* port) {
    std::lock_guard portLock(portMutex_);
    port_ = port;
}

bool LibusbDevice::IsAttached() const {
    std::lock_guard lock(mutex_);
    return !departed_;
}

void LibusbDevice::OnTransferDone(libusb_transfer* transfer) {
    auto* flight = static_cast<Flight*>(transfer->user_data);
    const bool gone = transfer->status == LIBUSB_TRANSFER_NO_DEVICE;
    LibusbDevice* device = flight->device;
    {
        // Notified under the lock: the waiter frees the flight once it sees
        // it done, which it cannot before this returns.
        std::lock_guard lock(flight->mutex);
        flight->status = transfer->status;
        flight->actual = transfer->actual_length;
        flight->done = true;
        flight->ended.notify_all();
    }
    if (gone) {
        // Known here first: the hot-plug notice may come later.
        device->Depart();
    }
}

UsbResult LibusbDevice::Run(libusb_transfer* transfer, Flight& flight) {
    int submitted = LIBUSB_SUCCESS;
    {
        std::lock_guard lock(mutex_);
        const bool bulk = transfer->type != LIBUSB_TRANSFER_TYPE_CONTROL;
        if (departed_) {
            return UsbResult::NoDevice;
        }
        if (bulk && !configured_) {
            return UsbResult::Stall;  // no endpoint is open before SET_CONFIGURATION
        }
        // Submitted under the lock, so that a reset or a departure either
        // finds it in flight or comes before it and is seen above.
        submitted = libusb_submit_transfer(transfer);
        if (submitted == LIBUSB_SUCCESS) {
            inFlight_.insert(transfer);
        }
    }
    if (submitted == LIBUSB_ERROR_NO_DEVICE) {
        Depart();
        return UsbResult::NoDevice;
    }
    if (submitted != LIBUSB_SUCCESS) {
        return UsbResult::Stall;
    }
    {
        std::unique_lock lock(flight.mutex);
        flight.ended.wait(lock, [&flight] { return flight.done; });
    }
    std::lock_guard lock(mutex_);
    inFlight_.erase(transfer);
    flightsChanged_.notify_all();
    return ResultOf(flight.status);
}

void LibusbDevice::EndTransfers(std::unique_lock<std::mutex>& lock) {
    for (libusb_transfer* transfer : inFlight_) {
        libusb_cancel_transfer(transfer);
    }
    flightsChanged_.wait(lock, [this] { return inFlight_.empty(); });
}

UsbResult LibusbDevice::BulkTransfer(uint8_t endpoint, uint8_t* data, uint32_t length,
                                     uint32_t* transferred) {
    *transferred = 0;
    libusb_transfer* transfer = libusb_alloc_transfer(0);
    if (transfer == nullptr) {
        return UsbResult::Stall;
    }
    Flight flight(this);
    // Bulk fits interrupt endpoints too: usbfs sends single-shot interrupt
    // transfers for them.
    libusb_fill_bulk_transfer(transfer, handle_, endpoint, data, static_cast<int>(length),
                              &LibusbDevice::OnTransferDone, &flight, 0);
    const UsbResult result = Run(transfer, flight);
    if (result == UsbResult::Ok) {
        *transferred = static_cast<uint32_t>(flight.actual);
    }
    libusb_free_transfer(transfer);
    return result;
}

UsbResult LibusbDevice::ControlTransfer(const SetupPacket& setup, uint8_t* data,
                                        uint32_t* transferred) {
    *transferred = 0;
    const bool standardToDevice = (setup.bmRequestType & 0x7F) == 0;
    if (standardToDevice && setup.bRequest == kRequestSetConfiguration) {
        return SetConfiguration(setup.wValue);
    }
    std::vector<uint8_t> buffer(LIBUSB_CONTROL_SETUP_SIZE + setup.wLength);
    libusb_fill_control_setup(buffer.data(), setup.bmRequestType, setup.bRequest, setup.wValue,
                              setup.wIndex, setup.wLength);
    const bool in = (setup.bmRequestType & 0x80) != 0;
    if (!in && setup.wLength != 0) {
        std::memcpy(buffer.data() + LIBUSB_CONTROL_SETUP_SIZE, data, setup.wLength);
    }
    libusb_transfer* transfer = libusb_alloc_transfer(0);
    if (transfer == nullptr) {
        return UsbResult::Stall;
    }
    Flight flight(this);
    libusb_fill_control_transfer(transfer, handle_, buffer.data(), &LibusbDevice::OnTransferDone,
                                 &flight, kControlTimeoutMs);
    const UsbResult result = Run(transfer, flight);
    if (result == UsbResult::Ok) {
        *transferred = static_cast<uint32_t>(flight.actual);
        if (in) {
            std::memcpy(data, buffer.data() + LIBUSB_CONTROL_SETUP_SIZE, *transferred);
        }
    }
    libusb_free_transfer(transfer);
    return result;
}

UsbResult LibusbDevice::SetConfiguration(uint16_t value) {
    std::unique_lock lock(mutex_);
    if (departed_) {
        return UsbResult::NoDevice;
    }
    if (value == 0) {
        // The bus lets go of the device: the transfers it holds end now. The
        // device itself stays configured for whoever opens it next.
        configured_ = false;
        EndTransfers(lock);
        return UsbResult::Ok;
    }
    int active = 0;
    if (libusb_get_configuration(handle_, &active) != LIBUSB_SUCCESS) {
        return UsbResult::Stall;
    }
    if (active != value) {
        // Another configuration: the claims cannot survive it.
        lock.unlock();
        ReleaseClaims();
        const int result = libusb_set_configuration(handle_, value);
        if (result != LIBUSB_SUCCESS || Claim() != OpenFailure::None) {
            return result == LIBUSB_ERROR_NO_DEVICE ? UsbResult::NoDevice : UsbResult::Stall;
        }
        lock.lock();
    }
    configured_ = true;
    return UsbResult::Ok;
}

}  // namespace corvane::usb
