// REAPURB and REAPURBNDELAY: a completed URB goes back at once; otherwise the
// ioctl may be held back until one completes (see IoctlHandler.h).
#include <umockdev.h>

#include <cerrno>

#include "sim/usbfs/ClientMemory.h"
#include "sim/usbfs/IoctlHandler.h"

namespace corvane::usbfs {

IoctlHandler::Answer IoctlHandler::Reap(UMockdevIoctlClient* client, Binding& binding,
                                        bool blocking) {
    if (!binding.session) {
        return Error(ENODEV);
    }
    auto reaped = binding.session->Reap(binding.file);
    if (auto* completion = std::get_if<UrbCompletion>(&reaped)) {
        binding.lastActivity = std::chrono::steady_clock::now();
        return WriteCompletion(umockdev_ioctl_client_get_arg(client), *completion) ? Result(0)
                                                                                   : Error(EFAULT);
    }
    const int error = std::get<int>(reaped);
    const auto now = std::chrono::steady_clock::now();
    const bool quiet = now - binding.lastActivity >= kQuietAfter;
    if (error != EAGAIN || (!blocking && !(quiet && binding.session->Present()))) {
        return Error(error);
    }
    HeldReap& held = held_[client];
    held.blocking = blocking;
    if (!blocking) {
        held.timer = context_->After(kQuietHold, [weak = weak_from_this(), client] {
            if (const auto self = weak.lock()) {
                const auto it = self->held_.find(client);
                if (it != self->held_.end()) {
                    it->second.expired = true;
                    self->ServiceHeld(client);
                }
            }
            return false;
        });
    }
    return Later();
}

void IoctlHandler::ServiceHeld(UMockdevIoctlClient* client) {
    const auto held = held_.find(client);
    const auto bound = clients_.find(client);
    if (held == held_.end() || bound == clients_.end()) {
        return;
    }
    auto reaped = bound->second.session->Reap(bound->second.file);
    if (auto* completion = std::get_if<UrbCompletion>(&reaped)) {
        const bool written = WriteCompletion(umockdev_ioctl_client_get_arg(client), *completion);
        Release(client);
        umockdev_ioctl_client_complete(client, written ? 0 : -1, written ? 0 : EFAULT);
        return;
    }
    const int error = std::get<int>(reaped);
    if (error != EAGAIN || held->second.expired) {
        Release(client);
        umockdev_ioctl_client_complete(client, -1, error);
    }
}

void IoctlHandler::Release(UMockdevIoctlClient* client) {
    const auto held = held_.find(client);
    if (held != held_.end()) {
        HandlerContext::Cancel(held->second.timer);
        held_.erase(held);
    }
}

}  // namespace corvane::usbfs
