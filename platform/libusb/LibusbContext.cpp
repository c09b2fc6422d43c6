#include "platform/libusb/LibusbContext.h"

#include <libusb.h>

namespace corvane::usb {

std::unique_ptr<LibusbContext> LibusbContext::Create(std::string* error) {
    libusb_context* context = nullptr;
    const int result = libusb_init(&context);
    if (result != LIBUSB_SUCCESS) {
        if (error != nullptr) {
            *error = std::string("libusb cannot start: ") + libusb_strerror(result);
        }
        return nullptr;
    }
    return std::unique_ptr<LibusbContext>(new LibusbContext(context));
}

LibusbContext::LibusbContext(libusb_context* context)
    : context_(context), events_([this] { HandleEvents(); }) {}

LibusbContext::~LibusbContext() {
    Stop();
    libusb_exit(context_);
}

void LibusbContext::Stop() {
    if (stopping_.exchange(true)) {
        return;
    }
    libusb_interrupt_event_handler(context_);
    events_.join();
}

void LibusbContext::HandleEvents() {
    while (!stopping_.load()) {
        // The time-out only bounds how long a lost interruption could delay
        // the stop; transfers and hot-plug notices wake the wait at once.
        timeval patience{1, 0};
        int completed = 0;
        libusb_handle_events_timeout_completed(context_, &patience, &completed);
    }
}

}  // namespace corvane::usb
