#include "sim/PortReporter.h"

namespace corvane::sim {

void PortReporter::SetPort(usb::UsbPort* port) {
    std::lock_guard deliver(deliverMutex_);
    std::lock_guard queue(queueMutex_);
    port_ = port;
    pending_.clear();
}

void PortReporter::Queue(bool attached) {
    std::lock_guard queue(queueMutex_);
    pending_.push_back(attached);
}

void PortReporter::Deliver() {
    std::lock_guard deliver(deliverMutex_);
    for (;;) {
        bool attached;
        usb::UsbPort* port;
        {
            std::lock_guard queue(queueMutex_);
            if (pending_.empty()) {
                return;
            }
            attached = pending_.front();
            pending_.pop_front();
            port = port_;
        }
        if (port == nullptr) {
            continue;
        }
        if (attached) {
            port->DeviceAttached();
        } else {
            port->DeviceDetached();
        }
    }
}

}  // namespace corvane::sim
