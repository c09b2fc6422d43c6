// One stay of a device on the emulated bus, from its arrival to its
// departure, as usbfs serves it: the files opened on its node, the interfaces
// they hold, the URBs in flight and the ones waiting to be reaped.
//
// Thread-safe. URBs are carried out on one worker thread per endpoint
// (endpoint 0 too), in order, never on the caller's thread; what they deliver
// waits for REAPURB. When the device leaves, queued URBs fail at once with
// -ESHUTDOWN, those inside the device when the device returns them (a device
// fails them at once when it is unplugged), and every later request with
// ENODEV; completed URBs stay reapable, as with CAP_REAP_AFTER_DISCONNECT.
//
// An IN transfer that is discarded (or whose file is closed) while it waits
// inside the device completes at once with -ENOENT; what the device delivers
// for it later is kept for the next IN URB on that endpoint, since a real
// device would not have sent it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "platform/kernel/UsbDevice.h"
#include "sim/usbfs/ConfigurationLayout.h"
#include "sim/usbfs/DeviceDescriptors.h"
#include "sim/usbfs/InterfaceOwners.h"
#include "sim/usbfs/PortPath.h"
#include "sim/usbfs/SysfsRecord.h"
#include "sim/usbfs/TransferWorker.h"
#include "sim/usbfs/Urb.h"

namespace corvane::usbfs {

class DeviceSession {
public:
    struct Setup {
        PortPath path;
        int deviceNumber = 0;
        int speedMbps = kFullSpeedMbps;
        DeviceDescriptors descriptors;
        uint8_t configuration = 0;  // as enumeration left it
        InterfaceHolders holders;   // who else holds interfaces at the start
    };
    // Called without the session's lock, from whichever thread caused them.
    struct Events {
        // A URB of the file completed, or the device left: REAPURB has news.
        std::function<void(const DeviceSession&, FileId)> urbsReady;
        // The device's active configuration changed.
        std::function<void(const DeviceSession&, uint8_t)> configurationChanged;
    };
    // The result of a request carried out on endpoint 0's worker: 0 or an errno.
    using Done = std::function<void(int)>;

    DeviceSession(usb::UsbDevice& device, Setup setup, Events events);
    ~DeviceSession();  // Stop()
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    const Setup& Identity() const { return setup_; }
    bool Present() const;
    uint8_t Configuration() const;

    FileId Open();
    // As close(2) on the node: its interfaces are released and its URBs
    // dropped (queued ones never reach the device).
    void Close(FileId file);

    // The following return 0 or an errno; ENODEV once the device has left.
    int Claim(FileId file, unsigned number);
    int Release(FileId file, unsigned number);
    int DriverName(unsigned number, std::string* name) const;
    int DisconnectDriver(unsigned number);
    int ConnectDriver(unsigned number, bool* bound);
    int DisconnectAndClaim(FileId file, unsigned number, unsigned flags, const std::string& driver);
    // CLEAR_HALT and RESETEP: the endpoint is in the active configuration and
    // its interface is the file's (claimed now if it was free). The device
    // keeps no halt state, so nothing reaches it.
    int CheckEndpoint(FileId file, unsigned endpoint);

    int Submit(FileId file, UrbSubmission urb);
    // EINVAL unless the URB is the file's and not completed yet.
    int Discard(FileId file, uint64_t clientAddress);
    // The file's oldest completed URB; otherwise EAGAIN, or ENODEV once the
    // device has left and none of the file's URBs is still in it.
    std::variant<UrbCompletion, int> Reap(FileId file);

    // Requests carried out on endpoint 0's worker, in order with control
    // URBs: an errno at once, or nullopt when queued (`done` gets the result).
    std::optional<int> SetConfiguration(int value, Done done);
    std::optional<int> SetInterface(FileId file, unsigned number, unsigned alternate, Done done);
    std::optional<int> Reset(Done done);

    // The device has left the bus.
    void Depart();
    // Depart(), then waits until no worker is inside the device.
    void Stop();

private:
    struct PendingUrb {
        FileId file = 0;
        UrbSubmission submission;
        uint8_t worker = 0;  // the endpoint whose worker carries it (0 for control)
        uint16_t maxPacketSize = 0;
        bool inDevice = false;
    };
    struct FileState {
        std::deque<UrbCompletion> completed;
    };
    struct Outcome {
        usb::UsbResult result = usb::UsbResult::NoDevice;
        uint32_t transferred = 0;
        std::vector<uint8_t> in;
    };
    // Files whose URBs completed while the lock was held, told after.
    using Ready = std::vector<FileId>;

    struct EndpointPlace {
        EndpointInfo info;
        uint8_t interfaceNumber = 0;
    };

    // The endpoint in the interfaces' selected settings of the active configuration.
    std::optional<EndpointPlace> FindEndpointLocked(uint8_t address) const;
    uint8_t AlternateLocked(uint8_t interfaceNumber) const;
    // Both check the URB as usbfs does and claim the interface it touches for
    // the file if that is free.
    int CheckControlLocked(FileId file, const UrbSubmission& urb);
    int CheckTransferLocked(FileId file, UrbSubmission& urb, uint16_t* maxPacketSize);
    TransferWorker& WorkerLocked(uint8_t endpoint);  // started on first use
    void CancelLocked(uint8_t endpoint, uint64_t id);
    void QueueOnEndpoint0Locked(std::function<void()> job);
    void CompleteLocked(uint64_t id, int status, uint32_t actualLength, std::vector<uint8_t> in,
                        Ready& ready);
    bool ServeUndeliveredLocked(uint64_t id, PendingUrb& urb, Ready& ready);
    void ApplyConfigurationLocked(uint8_t value);
    int StatusLocked(const PendingUrb& urb, const Outcome& outcome) const;

    void Run(uint64_t id);
    Outcome Perform(const PendingUrb& urb);
    usb::UsbResult Control(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index);
    void Tell(const Ready& ready);
    void TellConfiguration(uint8_t value);

    usb::UsbDevice& device_;
    const Setup setup_;
    const ConfigurationLayout layout_;
    const Events events_;

    mutable std::mutex mutex_;
    bool present_ = true;
    uint8_t configuration_ = 0;
    std::map<uint8_t, uint8_t> alternates_;  // interface -> selected alternate setting
    InterfaceOwners owners_;
    FileId nextFile_ = 1;
    std::map<FileId, FileState> files_;
    uint64_t nextId_ = 1;
    std::map<uint64_t, PendingUrb> pending_;
    // IN endpoint -> what the device delivered for transfers nobody waited for.
    std::map<uint8_t, std::deque<std::vector<uint8_t>>> undelivered_;
    // Calls that send to the device (OUT and control), numbered as they
    // start: a reply they cause completes after them, as on the bus.
    uint64_t sendsStarted_ = 0;
    std::set<uint64_t> sendsInDevice_;
    std::condition_variable sendsDone_;
    std::map<uint8_t, std::unique_ptr<TransferWorker>> workers_;
};

}  // namespace corvane::usbfs
