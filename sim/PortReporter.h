// Tells the bus port that the device came or went, in the order it happened
// and once per change, without holding the device's lock while the port runs
// (the bus may wait there for transfers that need that lock to end).
//
// Queue() is called under the device's lock as the state changes; Deliver()
// afterwards, without it. Deliveries are serialised, so two threads that
// change the state one after the other are reported in that order.
#pragma once

#include <deque>
#include <mutex>

#include "platform/kernel/UsbDevice.h"

namespace corvane::sim {

class PortReporter {
public:
    // Unreported changes from before are dropped: a new port reads the state
    // with IsAttached().
    void SetPort(usb::UsbPort* port);
    void Queue(bool attached);
    void Deliver();

private:
    std::mutex deliverMutex_;  // held while the port runs
    std::mutex queueMutex_;    // innermost lock
    usb::UsbPort* port_ = nullptr;
    std::deque<bool> pending_;
};

}  // namespace corvane::sim
