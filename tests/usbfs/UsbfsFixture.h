// Virtual projectors on the emulated usbfs, reached through real libusb in
// this process (which runs under umockdev's preload library).
#pragma once

#include <gtest/gtest.h>
#include <libusb.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "sim/usbfs/UsbfsEmulation.h"

namespace corvane::usbfs::testing {

using namespace std::chrono_literals;

inline constexpr uint8_t kIn = 0x81;
inline constexpr uint8_t kOut = 0x02;
inline constexpr uint8_t kAck = 0x06;
inline constexpr auto kPresence = 5s;

inline EmulatedPort OnPort(std::string path) {
    EmulatedPort port;
    port.path = std::move(path);
    return port;
}

class UsbfsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    UsbfsEmulation& Emulation() { return *emulation_; }
    // Created on first use, after the test bed: libusb reads $UMOCKDEV_DIR.
    libusb_context* Context();

    // A projector on the emulated bus, waited for until it is there.
    sim::VirtualProjector& Plug(sim::ProjectorConfig config = {}, EmulatedPort port = {});
    // The libusb device at the projector's bus and address; null if none.
    libusb_device* Find(const sim::VirtualProjector& projector);
    // Opened (and closed at the end of the test); fails the test if it cannot.
    libusb_device_handle* Open(const sim::VirtualProjector& projector);
    libusb_device_handle* OpenAndClaim(const sim::VirtualProjector& projector);

    // Synchronous bulk transfers; the libusb error code.
    int Send(libusb_device_handle* handle, const std::string& bytes);
    int Receive(libusb_device_handle* handle, std::vector<uint8_t>* bytes, int length = 64,
                unsigned timeoutMs = 2000);

    // Handles libusb events until `done` holds; false on time-out.
    bool HandleEventsUntil(const std::function<bool()>& done,
                           std::chrono::milliseconds timeout = 5s);

private:
    std::unique_ptr<UsbfsEmulation> emulation_;
    libusb_context* context_ = nullptr;
    std::vector<libusb_device_handle*> handles_;
};

// An asynchronous bulk transfer and what became of it.
class AsyncTransfer {
public:
    AsyncTransfer(libusb_device_handle* handle, uint8_t endpoint, std::vector<uint8_t> bytes,
                  unsigned timeoutMs = 0);
    ~AsyncTransfer();
    AsyncTransfer(const AsyncTransfer&) = delete;
    AsyncTransfer& operator=(const AsyncTransfer&) = delete;

    int Submit();
    int Cancel();
    bool Done() const { return done_; }
    libusb_transfer_status Status() const { return transfer_->status; }
    std::vector<uint8_t> Data() const;

private:
    static void LIBUSB_CALL Completed(libusb_transfer* transfer);

    libusb_transfer* transfer_;
    std::vector<uint8_t> buffer_;
    bool submitted_ = false;
    bool done_ = false;
};

}  // namespace corvane::usbfs::testing
