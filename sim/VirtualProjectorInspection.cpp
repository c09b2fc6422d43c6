// What tests and tools can look at inside the virtual projector.
#include "sim/VirtualProjector.h"

namespace corvane::sim {

std::vector<uint8_t> VirtualProjector::ReadFlash(uint32_t address, size_t length) const {
    std::lock_guard lock(mutex_);
    return firmware_.Flash().Read(address, length);
}

std::vector<uint8_t> VirtualProjector::FlashContents() const {
    std::lock_guard lock(mutex_);
    return firmware_.Flash().Bytes();
}

bool VirtualProjector::DumpFlash(const std::string& path) const {
    std::lock_guard lock(mutex_);
    return firmware_.Flash().DumpToFile(path);
}

std::vector<uint8_t> VirtualProjector::NvramContents() const {
    std::lock_guard lock(mutex_);
    return firmware_.NvramStore().Bytes();
}

int VirtualProjector::NvramClearCount() const {
    std::lock_guard lock(mutex_);
    return firmware_.NvramStore().ClearCount();
}

std::string VirtualProjector::PartNumber() const {
    std::lock_guard lock(mutex_);
    return firmware_.PartNumber();
}

std::string VirtualProjector::SerialNumber() const {
    std::lock_guard lock(mutex_);
    return firmware_.SerialNumber();
}

PartitionLayout VirtualProjector::Layout() const {
    std::lock_guard lock(mutex_);
    return firmware_.Layout();
}

ProjectorMode VirtualProjector::Mode() const {
    std::lock_guard lock(mutex_);
    return mode_;
}

LexMode VirtualProjector::ProtocolMode() const {
    std::lock_guard lock(mutex_);
    return firmware_.Mode();
}

bool VirtualProjector::IsConfigured() const {
    std::lock_guard lock(mutex_);
    return configuration_ != 0;
}

bool VirtualProjector::IsSilenced() const {
    std::lock_guard lock(mutex_);
    return firmware_.Silenced();
}

int VirtualProjector::RestartCount() const {
    std::lock_guard lock(mutex_);
    return restartCount_;
}

size_t VirtualProjector::PendingPackets() const {
    std::lock_guard lock(mutex_);
    return firmware_.Replies().PacketCount();
}

std::vector<std::vector<uint8_t>> VirtualProjector::Received() const {
    std::lock_guard lock(mutex_);
    std::vector<std::vector<uint8_t>> out;
    for (const TransferRecord& record : log_) {
        if (!record.in) {
            out.push_back(record.bytes);
        }
    }
    return out;
}

std::string VirtualProjector::ReceivedBytes() const {
    std::lock_guard lock(mutex_);
    std::string bytes;
    for (const TransferRecord& record : log_) {
        if (!record.in) {
            bytes.append(record.bytes.begin(), record.bytes.end());
        }
    }
    return bytes;
}

std::vector<TransferRecord> VirtualProjector::Log() const {
    std::lock_guard lock(mutex_);
    return log_;
}

void VirtualProjector::ClearLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
    outTransfers_ = 0;
}

bool VirtualProjector::WaitForReceived(size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return outTransfers_ >= count; });
}

bool VirtualProjector::WaitForAttached(bool attached, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return attached_ == attached; });
}

}  // namespace corvane::sim
