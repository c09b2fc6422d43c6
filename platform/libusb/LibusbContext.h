// One libusb context for the process, with the thread that handles its
// events: asynchronous transfers complete and hot-plug notices arrive there,
// so no caller has to poll. Stopping interrupts the thread at once.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

struct libusb_context;

namespace corvane::usb {

class LibusbContext {
public:
    // nullptr, with the reason in *error, when libusb cannot start (no usbfs).
    static std::unique_ptr<LibusbContext> Create(std::string* error);
    ~LibusbContext();  // Stop(), then libusb_exit
    LibusbContext(const LibusbContext&) = delete;
    LibusbContext& operator=(const LibusbContext&) = delete;

    libusb_context* Get() const { return context_; }
    // Ends the event thread; callbacks run no more once it returns. Idempotent.
    void Stop();

private:
    explicit LibusbContext(libusb_context* context);
    void HandleEvents();

    libusb_context* context_;
    std::atomic<bool> stopping_{false};
    std::thread events_;
};

}  // namespace corvane::usb
