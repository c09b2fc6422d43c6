#include "UsbfsFixture.h"

namespace corvane::usbfs::testing {

void UsbfsTest::SetUp() {
    emulation_ = std::make_unique<UsbfsEmulation>();
}

void UsbfsTest::TearDown() {
    for (libusb_device_handle* handle : handles_) {
        libusb_close(handle);
    }
    handles_.clear();
    if (context_ != nullptr) {
        emulation_->Settle();  // no uevent may be on its way to libusb's socket as it closes
        libusb_exit(context_);
        context_ = nullptr;
    }
    emulation_.reset();
}

libusb_context* UsbfsTest::Context() {
    if (context_ == nullptr) {
        EXPECT_EQ(libusb_init(&context_), LIBUSB_SUCCESS);
    }
    return context_;
}

sim::VirtualProjector& UsbfsTest::Plug(sim::ProjectorConfig config, EmulatedPort port) {
    sim::VirtualProjector& projector = emulation_->AddProjector(std::move(config), std::move(port));
    EXPECT_TRUE(emulation_->WaitUntilPresent(projector, true, kPresence));
    return projector;
}

libusb_device* UsbfsTest::Find(const sim::VirtualProjector& projector) {
    const int address = emulation_->DeviceNumber(projector);
    const std::string node = emulation_->NodePath(projector);
    const int bus =
        node.empty() ? 0 : std::stoi(node.substr(std::string("/dev/bus/usb/").size(), 3));
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(Context(), &list);
    libusb_device* found = nullptr;
    for (ssize_t i = 0; i < count; ++i) {
        if (libusb_get_bus_number(list[i]) == bus &&
            libusb_get_device_address(list[i]) == address) {
            found = libusb_ref_device(list[i]);
        }
    }
    libusb_free_device_list(list, 1);
    return found;
}

libusb_device_handle* UsbfsTest::Open(const sim::VirtualProjector& projector) {
    libusb_device* device = Find(projector);
    EXPECT_NE(device, nullptr);
    if (device == nullptr) {
        return nullptr;
    }
    libusb_device_handle* handle = nullptr;
    EXPECT_EQ(libusb_open(device, &handle), LIBUSB_SUCCESS);
    libusb_unref_device(device);
    if (handle != nullptr) {
        handles_.push_back(handle);
    }
    return handle;
}

libusb_device_handle* UsbfsTest::OpenAndClaim(const sim::VirtualProjector& projector) {
    libusb_device_handle* handle = Open(projector);
    if (handle != nullptr) {
        EXPECT_EQ(libusb_claim_interface(handle, 0), LIBUSB_SUCCESS);
    }
    return handle;
}

int UsbfsTest::Send(libusb_device_handle* handle, const std::string& bytes) {
    std::vector<uint8_t> data(bytes.begin(), bytes.end());
    int transferred = 0;
    const int result = libusb_bulk_transfer(handle, kOut, data.data(),
                                            static_cast<int>(data.size()), &transferred, 2000);
    if (result == LIBUSB_SUCCESS) {
        EXPECT_EQ(transferred, static_cast<int>(data.size()));
    }
    return result;
}

int UsbfsTest::Receive(libusb_device_handle* handle, std::vector<uint8_t>* bytes, int length,
                       unsigned timeoutMs) {
    bytes->assign(static_cast<size_t>(length), 0);
    int transferred = 0;
    const int result =
        libusb_bulk_transfer(handle, kIn, bytes->data(), length, &transferred, timeoutMs);
    bytes->resize(static_cast<size_t>(transferred));
    return result;
}

bool UsbfsTest::HandleEventsUntil(const std::function<bool()>& done,
                                  std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        timeval tick{0, 20000};
        libusb_handle_events_timeout_completed(Context(), &tick, nullptr);
    }
    return true;
}

AsyncTransfer::AsyncTransfer(libusb_device_handle* handle, uint8_t endpoint,
                             std::vector<uint8_t> bytes, unsigned timeoutMs)
    : transfer_(libusb_alloc_transfer(0)), buffer_(std::move(bytes)) {
    libusb_fill_bulk_transfer(transfer_, handle, endpoint, buffer_.data(),
                              static_cast<int>(buffer_.size()), Completed, this, timeoutMs);
}

AsyncTransfer::~AsyncTransfer() {
    // A transfer still in flight would be completed into freed memory.
    EXPECT_TRUE(!submitted_ || done_) << "transfer still in flight";
    libusb_free_transfer(transfer_);
}

int AsyncTransfer::Submit() {
    const int result = libusb_submit_transfer(transfer_);
    submitted_ = result == LIBUSB_SUCCESS;
    return result;
}

int AsyncTransfer::Cancel() {
    return libusb_cancel_transfer(transfer_);
}

std::vector<uint8_t> AsyncTransfer::Data() const {
    return {buffer_.begin(), buffer_.begin() + transfer_->actual_length};
}

void LIBUSB_CALL AsyncTransfer::Completed(libusb_transfer* transfer) {
    static_cast<AsyncTransfer*>(transfer->user_data)->done_ = true;
}

}  // namespace corvane::usbfs::testing
