// The virtual projector: an emulated USB projector in flash-download mode,
// plugged into the hosted USB bus as a UsbDevice (see sim/README.md for the
// protocol it speaks, its limits and its faults).
//
// Thread-safe: transfers may come from several threads at once (the reader
// blocks in an IN transfer while the writer sends), and tests plug, unplug
// and inspect from their own thread. An IN transfer waits until there is a
// reply; unplugging or a restart fails it, and every later one, with NoDevice
// at once. Bulk transfers need SET_CONFIGURATION first (they stall before).
//
// SetPort reports nothing by itself: the bus reads IsAttached() after giving
// the port; from then on every change is reported to it in order, once.
// Plug() and Unplug() report on the caller's thread before they return; a
// departure the projector causes itself during a transfer ("R", an unplug
// fault) and the return after a restart are reported from the projector's own
// thread, never from inside a transfer call. Port callbacks must not call
// SetPort.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/kernel/UsbDevice.h"
#include "sim/DescriptorSet.h"
#include "sim/DeviceThreads.h"
#include "sim/PortReporter.h"
#include "sim/ProjectorConfig.h"
#include "sim/ProjectorFirmware.h"

namespace corvane::sim {

struct TransferRecord {
    bool in = false;             // IN: what the host received; OUT: what it sent
    std::vector<uint8_t> bytes;  // one bulk transfer
};

class VirtualProjector final : public usb::UsbDevice {
public:
    // Throws std::invalid_argument for a layout that is not valid.
    explicit VirtualProjector(ProjectorConfig config = {});
    ~VirtualProjector() override;
    VirtualProjector(const VirtualProjector&) = delete;
    VirtualProjector& operator=(const VirtualProjector&) = delete;

    // usb::UsbDevice. Endpoint 0x81 is IN, 0x02 OUT (or whatever the
    // descriptors declare, for unusual devices).
    usb::UsbResult ControlTransfer(const usb::SetupPacket& setup, uint8_t* data,
                                   uint32_t* transferred) override;
    usb::UsbResult BulkTransfer(uint8_t endpoint, uint8_t* data, uint32_t length,
                                uint32_t* transferred) override;
    void SetPort(usb::UsbPort* port) override;
    bool IsAttached() const override;

    // The cable. Plugging in powers the projector up afresh (protocol at the
    // top, nothing configured); flash, NVRAM and numbers survive. Plugging an
    // attached projector (or unplugging a detached one) does nothing; either
    // call cancels a restart that is under way.
    void Plug();
    void Unplug();

    // Called after every change a watcher could see (a transfer, plug,
    // unplug, restart, new descriptors), on the thread that made it and
    // outside the projector's lock; empty: nobody watches. The observer must
    // not call SetChangeObserver.
    void SetChangeObserver(std::function<void()> observer);

    void SetFaults(FaultConfig faults);
    FaultConfig RemainingFaults() const;

    // Present other descriptors (unusual devices); nullopt returns to the
    // projector's own. Takes effect at once and stays across restarts.
    void SetDescriptors(std::optional<UsbDescriptorSpec> deviceSpec);

    // Inspection.
    std::vector<uint8_t> ReadFlash(uint32_t address, size_t length) const;
    std::vector<uint8_t> FlashContents() const;
    bool DumpFlash(const std::string& path) const;
    std::vector<uint8_t> NvramContents() const;
    int NvramClearCount() const;
    std::string PartNumber() const;
    std::string SerialNumber() const;
    PartitionLayout Layout() const;
    ProjectorMode Mode() const;
    LexMode ProtocolMode() const;
    bool IsConfigured() const;
    bool IsSilenced() const;
    int RestartCount() const;
    size_t PendingPackets() const;

    // Every OUT transfer the projector took, in order, and all their bytes
    // run together.
    std::vector<std::vector<uint8_t>> Received() const;
    std::string ReceivedBytes() const;
    // OUT and IN transfers interleaved as they happened.
    std::vector<TransferRecord> Log() const;
    void ClearLog();

    // Waits until at least `count` OUT transfers were taken / until the
    // projector is (or is not) attached. False on time-out.
    bool WaitForReceived(size_t count, std::chrono::milliseconds timeout) const;
    bool WaitForAttached(bool attached, std::chrono::milliseconds timeout) const;

private:
    usb::UsbResult Receive(uint8_t endpoint, const uint8_t* data, uint32_t length,
                           uint32_t* transferred);
    usb::UsbResult Send(uint8_t endpoint, uint8_t* data, uint32_t length, uint32_t* transferred);
    bool PacingOn() const;
    void AttachLocked();
    void DetachLocked();
    void RebuildDescriptorsLocked();
    void RestartAfterDelay();
    // Wakes the waiting transfers and tells the observer.
    void NotifyChanged();

    const ProjectorConfig config_;
    PortReporter reporter_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    ProjectorFirmware firmware_;
    ProjectorMode mode_;
    std::optional<UsbDescriptorSpec> customDescriptors_;
    DescriptorSet descriptors_;
    std::set<uint8_t> endpoints_;
    bool attached_ = false;
    uint8_t configuration_ = 0;
    bool restartPending_ = false;
    bool stopping_ = false;
    int restartCount_ = 0;
    std::vector<TransferRecord> log_;
    size_t outTransfers_ = 0;
    std::shared_ptr<const std::function<void()>> observer_;

    DeviceThreads threads_;  // last: joined before anything they use goes
};

}  // namespace corvane::sim
