// The ioctl handler's plumbing: umockdev's signals, the descriptors open on
// emulated nodes, and completing ioctls now or later.
#include "sim/usbfs/IoctlHandler.h"

#include <umockdev.h>

#include <atomic>
#include <cerrno>
#include <vector>

#include "sim/usbfs/SanitizerHandoff.h"

namespace corvane::usbfs {

namespace {

// umockdev notices a closed descriptor only by its socket: look this often.
constexpr std::chrono::milliseconds kSweepInterval{100};

}  // namespace

// One held-back ioctl. It is completed once: with the session's result, or
// with ENODEV when the request is dropped without one (its session stopped).
class IoctlHandler::DeferredCompletion {
public:
    DeferredCompletion(std::weak_ptr<IoctlHandler> handler, std::shared_ptr<HandlerContext> context,
                       UMockdevIoctlClient* client)
        : handler_(std::move(handler)), context_(std::move(context)), client_(client) {
        g_object_ref(client);
    }
    ~DeferredCompletion() { Finish(ENODEV); }
    DeferredCompletion(const DeferredCompletion&) = delete;
    DeferredCompletion& operator=(const DeferredCompletion&) = delete;

    // The ioctl was answered at once: nothing to complete later.
    void Abandon() {
        if (UMockdevIoctlClient* client = client_.exchange(nullptr)) {
            g_object_unref(client);
        }
    }

    void Finish(int error) {
        UMockdevIoctlClient* client = client_.exchange(nullptr);
        if (client == nullptr) {
            return;
        }
        const bool posted = context_->Post([handler = handler_, client, error] {
            if (handler.lock() && umockdev_ioctl_client_get_connected(client)) {
                umockdev_ioctl_client_complete(client, error == 0 ? 0 : -1, error);
            }
            g_object_unref(client);
        });
        if (!posted) {
            g_object_unref(client);
        }
    }

private:
    std::weak_ptr<IoctlHandler> handler_;
    std::shared_ptr<HandlerContext> context_;
    std::atomic<UMockdevIoctlClient*> client_;
};

IoctlHandler::IoctlHandler(SessionLookup lookup)
    : lookup_(std::move(lookup)), base_(umockdev_ioctl_base_new()) {
    g_signal_connect(base_, "handle-ioctl", G_CALLBACK(OnIoctl), this);
    g_signal_connect(base_, "client-connected", G_CALLBACK(OnConnected), this);
    // From here on the handler is umockdev's worker thread's as well.
    HandOver(this);
}

IoctlHandler::~IoctlHandler() {
    g_signal_handlers_disconnect_by_data(base_, this);
    HandlerContext::Cancel(sweeper_);
    for (auto& [client, held] : held_) {
        HandlerContext::Cancel(held.timer);
    }
    for (auto& [client, binding] : clients_) {
        if (binding.session) {
            binding.session->Close(binding.file);
        }
        g_object_unref(client);
    }
    g_object_unref(base_);
}

int IoctlHandler::OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* data) {
    auto* self = static_cast<IoctlHandler*>(data);
    TakeOver(self);
    self->context_->Learn();
    self->SweepClosed();
    Binding* binding = self->Bind(client);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    const Answer answer = self->Handle(client, *binding, request);
    if (!answer.later && answer.error == EBUSY) {
        self->RetryWhileBusy(client, request, std::chrono::steady_clock::now() + kCloseNoticed);
    } else {
        self->Finish(client, answer);
    }
    return TRUE;
}

IoctlHandler::Answer IoctlHandler::Handle(UMockdevIoctlClient* client, Binding& binding,
                                          unsigned long request) {
    try {
        return Dispatch(client, binding, request);
    } catch (const std::exception&) {
        return Error(EIO);
    }
}

void IoctlHandler::RetryWhileBusy(UMockdevIoctlClient* client, unsigned long request,
                                  std::chrono::steady_clock::time_point deadline) {
    g_object_ref(client);
    GSource* retry =
        context_->After(kBusyRetry, [weak = weak_from_this(), client, request, deadline] {
            const auto self = weak.lock();
            bool again = false;
            if (self && umockdev_ioctl_client_get_connected(client)) {
                self->SweepClosed();
                const auto bound = self->clients_.find(client);
                const Answer answer = bound == self->clients_.end()
                                          ? Error(ENODEV)
                                          : self->Handle(client, bound->second, request);
                again = !answer.later && answer.error == EBUSY &&
                        std::chrono::steady_clock::now() < deadline;
                if (!again) {
                    self->Finish(client, answer);
                }
            }
            if (!again) {
                g_object_unref(client);
            }
            return again;
        });
    HandlerContext::LetRun(retry);
}

void IoctlHandler::OnConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* data) {
    auto* self = static_cast<IoctlHandler*>(data);
    TakeOver(self);
    self->context_->Learn();
    self->Bind(client);
}

IoctlHandler::Binding* IoctlHandler::Bind(UMockdevIoctlClient* client) {
    const auto found = clients_.find(client);
    if (found != clients_.end()) {
        return &found->second;
    }
    // The descriptor belongs to the device behind the node when it was
    // opened, for good: a device that comes back is another one.
    Binding binding;
    binding.session = lookup_(umockdev_ioctl_client_get_devnode(client));
    if (binding.session) {
        binding.file = binding.session->Open();
    }
    binding.lastActivity = std::chrono::steady_clock::now();
    g_object_ref(client);
    if (sweeper_ == nullptr) {
        sweeper_ = context_->After(kSweepInterval, [weak = weak_from_this()] {
            const auto self = weak.lock();
            if (self) {
                self->SweepClosed();
            }
            return self != nullptr;
        });
    }
    return &clients_.emplace(client, std::move(binding)).first->second;
}

void IoctlHandler::SweepClosed() {
    std::vector<UMockdevIoctlClient*> closed;
    for (const auto& [client, binding] : clients_) {
        if (!umockdev_ioctl_client_get_connected(client)) {
            closed.push_back(client);
        }
    }
    for (UMockdevIoctlClient* client : closed) {
        Forget(client);
    }
}

void IoctlHandler::Forget(UMockdevIoctlClient* client) {
    Release(client);
    const auto it = clients_.find(client);
    if (it == clients_.end()) {
        return;
    }
    if (it->second.session) {
        it->second.session->Close(it->second.file);
    }
    clients_.erase(it);
    g_object_unref(client);
}

void IoctlHandler::Finish(UMockdevIoctlClient* client, Answer answer) {
    if (!answer.later) {
        umockdev_ioctl_client_complete(client, answer.result, answer.error);
    }
}

IoctlHandler::Answer IoctlHandler::Deferred(
    UMockdevIoctlClient* client,
    const std::function<std::optional<int>(DeviceSession::Done)>& request) {
    auto completion = std::make_shared<DeferredCompletion>(weak_from_this(), context_, client);
    const std::optional<int> refused =
        request([completion](int error) { completion->Finish(error); });
    if (refused) {
        completion->Abandon();
        return Error(*refused);
    }
    return Later();
}

std::function<void(const DeviceSession&, FileId)> IoctlHandler::UrbsReadyEvent(
    const std::shared_ptr<IoctlHandler>& handler) {
    return [weak = std::weak_ptr(handler)](const DeviceSession& session, FileId file) {
        if (const auto live = weak.lock()) {
            live->UrbsReady(session, file);
        }
    };
}

void IoctlHandler::UrbsReady(const DeviceSession& session, FileId file) {
    context_->Post([weak = weak_from_this(), key = &session, file] {
        const auto self = weak.lock();
        if (!self) {
            return;
        }
        for (auto& [client, binding] : self->clients_) {
            if (binding.session.get() == key && binding.file == file) {
                binding.lastActivity = std::chrono::steady_clock::now();
                self->ServiceHeld(client);
                return;
            }
        }
    });
}

}  // namespace corvane::usbfs
