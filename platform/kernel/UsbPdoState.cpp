#include "platform/kernel/UsbPdoState.h"

namespace corvane::kernel {

namespace {

bool IsRemoved(UsbPdoState state) {
    return state == UsbPdoState::SurpriseRemoved || state == UsbPdoState::Removed;
}

bool IsStarted(UsbPdoState state) {
    return state == UsbPdoState::Started || state == UsbPdoState::StopPending;
}

}  // namespace

void UsbPdoLifecycle::OnPnp(UCHAR minor) {
    std::lock_guard lock(mutex_);
    pnp_.push_back(minor);
    if (state_ == UsbPdoState::Removed) {
        return;
    }
    switch (minor) {
        case IRP_MN_START_DEVICE:
            if (state_ != UsbPdoState::SurpriseRemoved) {
                state_ = UsbPdoState::Started;
            }
            break;
        case IRP_MN_QUERY_STOP_DEVICE:
            if (state_ == UsbPdoState::Started) {
                beforeQuery_ = state_;
                state_ = UsbPdoState::StopPending;
            }
            break;
        case IRP_MN_STOP_DEVICE:
            if (IsStarted(state_)) {
                state_ = UsbPdoState::Stopped;
            }
            break;
        case IRP_MN_CANCEL_STOP_DEVICE:
            // Without its query it changes nothing (and still succeeds).
            if (state_ == UsbPdoState::StopPending) {
                state_ = beforeQuery_;
            }
            break;
        case IRP_MN_QUERY_REMOVE_DEVICE:
            if (!IsRemoved(state_) && state_ != UsbPdoState::RemovePending) {
                beforeQuery_ = state_;
                state_ = UsbPdoState::RemovePending;
            }
            break;
        case IRP_MN_CANCEL_REMOVE_DEVICE:
            if (state_ == UsbPdoState::RemovePending) {
                state_ = beforeQuery_;
            }
            break;
        case IRP_MN_SURPRISE_REMOVAL:
            state_ = UsbPdoState::SurpriseRemoved;
            break;
        case IRP_MN_REMOVE_DEVICE:
            state_ = UsbPdoState::Removed;
            break;
        default:
            break;
    }
}

void UsbPdoLifecycle::OnPower(UCHAR minor) {
    std::lock_guard lock(mutex_);
    power_.push_back(minor);
}

NTSTATUS UsbPdoLifecycle::UrbAdmission() const {
    std::lock_guard lock(mutex_);
    if (IsRemoved(state_)) {
        return STATUS_DEVICE_NOT_CONNECTED;
    }
    // A query-remove keeps a started device serving until the removal comes.
    bool started =
        IsStarted(state_) || (state_ == UsbPdoState::RemovePending && IsStarted(beforeQuery_));
    return started || servesUnstarted_ ? STATUS_SUCCESS : STATUS_DEVICE_NOT_READY;
}

UsbPdoRecord UsbPdoLifecycle::Record() const {
    std::lock_guard lock(mutex_);
    return UsbPdoRecord{state_, pnp_, power_};
}

}  // namespace corvane::kernel
