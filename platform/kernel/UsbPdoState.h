// The Plug and Play state the hosted bus driver keeps for one of its physical
// device objects, and the record of the Plug and Play and power requests
// that reached it, for tests to see what the function driver passed down.
// The record outlives the physical device object.
#pragma once

#include <mutex>
#include <vector>

#include "platform/kernel/ddk/wdm.h"

namespace corvane::kernel {

enum class UsbPdoState {
    NotStarted,
    Started,
    StopPending,  // query-stop succeeded
    Stopped,
    RemovePending,  // query-remove succeeded
    SurpriseRemoved,
    Removed,
};

struct UsbPdoRecord {
    UsbPdoState state = UsbPdoState::NotStarted;
    std::vector<UCHAR> pnp;    // minor functions, in the order they came
    std::vector<UCHAR> power;  // minor functions, in the order they came
};

class UsbPdoLifecycle {
public:
    // servesUnstarted: URBs are served from enumeration until removal, whatever
    // the start and stop requests say.
    explicit UsbPdoLifecycle(bool servesUnstarted) : servesUnstarted_(servesUnstarted) {}
    UsbPdoLifecycle(const UsbPdoLifecycle&) = delete;
    UsbPdoLifecycle& operator=(const UsbPdoLifecycle&) = delete;

    // Records the request and moves the state as a bus driver does.
    void OnPnp(UCHAR minor);
    void OnPower(UCHAR minor);
    // STATUS_SUCCESS while URBs are served; otherwise what they fail with:
    // STATUS_DEVICE_NOT_READY before start and when stopped,
    // STATUS_DEVICE_NOT_CONNECTED after a removal.
    NTSTATUS UrbAdmission() const;
    UsbPdoRecord Record() const;

private:
    mutable std::mutex mutex_;
    const bool servesUnstarted_;
    UsbPdoState state_ = UsbPdoState::NotStarted;
    UsbPdoState beforeQuery_ = UsbPdoState::NotStarted;  // restored by a cancel
    std::vector<UCHAR> pnp_;
    std::vector<UCHAR> power_;
};

}  // namespace corvane::kernel
