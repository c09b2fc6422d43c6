// The usbfs side of every emulated device node: umockdev hands each ioctl
// on an open node to this handler, on its own worker thread (the handler
// thread). Each open descriptor becomes a file of the device session behind
// the node when it was opened; requests go to that session, and the handler
// copies between the client's memory and the session's records.
//
// Nothing here blocks the handler thread. A REAPURB waits without holding it:
// the ioctl is completed later, when the file's URB completes. A
// REAPURBNDELAY that finds nothing on a file quiet for a while is also held
// back, for a few milliseconds: the emulated node is always writable, so a
// client that polls it for POLLOUT (libusb) would otherwise spin.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "sim/usbfs/DeviceSession.h"
#include "sim/usbfs/HandlerContext.h"

typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
typedef struct _GSource GSource;

namespace corvane::usbfs {

// How long a file must have been idle before an empty REAPURBNDELAY is held,
// and for how long at most.
inline constexpr std::chrono::milliseconds kQuietAfter{5};
inline constexpr std::chrono::milliseconds kQuietHold{10};
// A descriptor closed just before is noticed only once umockdev has seen its
// socket end, on the handler thread between ioctls, while close(2) on a real
// node frees its interfaces at once: a request refused as busy is tried again
// this often for this long, letting umockdev notice.
inline constexpr std::chrono::milliseconds kBusyRetry{2};
inline constexpr std::chrono::milliseconds kCloseNoticed{50};

class IoctlHandler : public std::enable_shared_from_this<IoctlHandler> {
public:
    // The session whose node `devnode` is now; null when none is.
    using SessionLookup = std::function<std::shared_ptr<DeviceSession>(const std::string&)>;

    explicit IoctlHandler(SessionLookup lookup);
    ~IoctlHandler();
    IoctlHandler(const IoctlHandler&) = delete;
    IoctlHandler& operator=(const IoctlHandler&) = delete;

    // What MockTestbed::AttachIoctl takes.
    UMockdevIoctlBase* Base() const { return base_; }

    // For the sessions' events, from any thread: the file may have something
    // to reap.
    void UrbsReady(const DeviceSession& session, FileId file);
    // A session's urbsReady event that tells the handler while it lives.
    static std::function<void(const DeviceSession&, FileId)> UrbsReadyEvent(
        const std::shared_ptr<IoctlHandler>& handler);

private:
    struct Binding {
        std::shared_ptr<DeviceSession> session;  // null: nothing was behind the node
        FileId file = 0;
        std::chrono::steady_clock::time_point lastActivity;
    };
    class DeferredCompletion;
    struct HeldReap {
        bool blocking = false;
        bool expired = false;
        GSource* timer = nullptr;
    };
    // How an ioctl ends: now with a result, or later (completed by whoever
    // finishes it).
    struct Answer {
        bool later = false;
        long result = 0;
        int error = 0;
    };
    static Answer Result(long value) { return {false, value, 0}; }
    static Answer Error(int error) { return {false, error == 0 ? 0 : -1, error}; }
    static Answer Later() { return {true, 0, 0}; }

    static int OnIoctl(UMockdevIoctlBase* base, UMockdevIoctlClient* client, void* self);
    static void OnConnected(UMockdevIoctlBase* base, UMockdevIoctlClient* client, void* self);

    // IoctlHandler.cpp: open descriptors.
    Binding* Bind(UMockdevIoctlClient* client);
    void SweepClosed();
    void Forget(UMockdevIoctlClient* client);
    void Finish(UMockdevIoctlClient* client, Answer answer);
    // A request the session carries out on a worker: its answer at once if
    // the session refuses it, otherwise later, when the worker is done (on
    // the handler thread, unless the client has gone meanwhile; ENODEV if the
    // request is dropped unfinished).
    Answer Deferred(UMockdevIoctlClient* client,
                    const std::function<std::optional<int>(DeviceSession::Done)>& request);

    // The request, answered; nothing may unwind into umockdev.
    Answer Handle(UMockdevIoctlClient* client, Binding& binding, unsigned long request);
    void RetryWhileBusy(UMockdevIoctlClient* client, unsigned long request,
                        std::chrono::steady_clock::time_point deadline);

    // UsbfsRequests.cpp: one request each.
    Answer Dispatch(UMockdevIoctlClient* client, Binding& binding, unsigned long request);
    Answer Capabilities(UMockdevIoctlClient* client, Binding& binding);
    Answer InterfaceRequest(UMockdevIoctlClient* client, Binding& binding, unsigned long request);
    Answer SetConfiguration(UMockdevIoctlClient* client, Binding& binding);
    Answer SetInterface(UMockdevIoctlClient* client, Binding& binding);
    Answer Reset(UMockdevIoctlClient* client, Binding& binding);
    Answer DriverControl(UMockdevIoctlClient* client, Binding& binding);
    Answer GetDriver(UMockdevIoctlClient* client, Binding& binding);
    Answer DisconnectClaim(UMockdevIoctlClient* client, Binding& binding);
    Answer Submit(UMockdevIoctlClient* client, Binding& binding);
    Answer ConnectInfo(UMockdevIoctlClient* client, Binding& binding);
    Answer Speed(Binding& binding);

    // IoctlHandlerReaps.cpp: REAPURB and REAPURBNDELAY.
    Answer Reap(UMockdevIoctlClient* client, Binding& binding, bool blocking);
    void ServiceHeld(UMockdevIoctlClient* client);
    void Release(UMockdevIoctlClient* client);

    const SessionLookup lookup_;
    UMockdevIoctlBase* base_;
    std::shared_ptr<HandlerContext> context_ = std::make_shared<HandlerContext>();
    // Handler thread only.
    std::map<UMockdevIoctlClient*, Binding> clients_;  // each holds a reference
    std::map<UMockdevIoctlClient*, HeldReap> held_;
    GSource* sweeper_ = nullptr;
};

}  // namespace corvane::usbfs
