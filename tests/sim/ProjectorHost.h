// Test helpers: a host that talks to a virtual projector the way the bus does
// (configures it, writes OUT transfers, reads IN packets without ever blocking
// on an empty queue), and a port double that records attach/detach reports.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/kernel/UsbDevice.h"
#include "sim/ProjectorDescriptors.h"
#include "sim/VirtualProjector.h"

namespace corvane::sim::testing {

inline std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) {
        out.push_back(static_cast<char>(v));
    }
    return out;
}

inline const std::string kAckText(1, '\x06');
inline const std::string kNakText(1, '\x15');

class ProjectorHost {
public:
    explicit ProjectorHost(VirtualProjector& projector) : projector_(projector) {}

    usb::UsbResult Control(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                           uint16_t length, std::vector<uint8_t>* out = nullptr) {
        usb::SetupPacket setup{requestType, request, value, index, length};
        std::vector<uint8_t> buffer(length);
        uint32_t transferred = 0;
        const usb::UsbResult result =
            projector_.ControlTransfer(setup, buffer.data(), &transferred);
        buffer.resize(transferred);
        if (out != nullptr) {
            *out = buffer;
        }
        return result;
    }

    std::vector<uint8_t> GetDescriptor(uint8_t type, uint8_t index, uint16_t language,
                                       uint16_t length, usb::UsbResult* result = nullptr) {
        std::vector<uint8_t> out;
        const usb::UsbResult r =
            Control(0x80, usb::kRequestGetDescriptor, static_cast<uint16_t>(type << 8 | index),
                    language, length, &out);
        if (result != nullptr) {
            *result = r;
        }
        return out;
    }

    usb::UsbResult Configure(uint8_t value = 1) {
        return Control(0x00, usb::kRequestSetConfiguration, value, 0, 0);
    }

    usb::UsbResult Write(std::string_view bytes, uint8_t endpoint = kEndpointOut) {
        std::vector<uint8_t> buffer(bytes.begin(), bytes.end());
        uint32_t transferred = 0;
        return projector_.BulkTransfer(endpoint, buffer.data(),
                                       static_cast<uint32_t>(buffer.size()), &transferred);
    }

    // One IN transfer. Only call it when a packet is pending (or from a thread
    // that is meant to block).
    std::string Read(uint32_t length = 64, usb::UsbResult* result = nullptr,
                     uint8_t endpoint = kEndpointIn) {
        std::vector<uint8_t> buffer(length);
        uint32_t transferred = 0;
        const usb::UsbResult r =
            projector_.BulkTransfer(endpoint, buffer.data(), length, &transferred);
        if (result != nullptr) {
            *result = r;
        }
        return std::string(buffer.begin(), buffer.begin() + transferred);
    }

    // Every pending packet, one 64-byte IN transfer each.
    std::vector<std::string> Packets() {
        std::vector<std::string> packets;
        while (projector_.PendingPackets() > 0) {
            packets.push_back(Read());
        }
        return packets;
    }

    std::string Drain() {
        std::string all;
        for (const std::string& packet : Packets()) {
            all += packet;
        }
        return all;
    }

    // Writes a command and returns everything it made the projector send.
    std::string Ask(std::string_view command) {
        Write(command);
        return Drain();
    }

private:
    VirtualProjector& projector_;
};

class PortDouble : public usb::UsbPort {
public:
    void DeviceAttached() override { Record("attached"); }
    void DeviceDetached() override { Record("detached"); }

    std::vector<std::string> Events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }

    bool WaitForEvents(size_t count, std::chrono::milliseconds timeout) const {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return events_.size() >= count; });
    }

private:
    void Record(const char* event) {
        {
            std::lock_guard lock(mutex_);
            events_.emplace_back(event);
        }
        changed_.notify_all();
    }

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<std::string> events_;
};

// A configured projector with its host, ready for the protocol.
struct ConnectedProjector {
    explicit ConnectedProjector(ProjectorConfig config = {})
        : projector(std::move(config)), host(projector) {
        host.Configure();
    }
    VirtualProjector projector;
    ProjectorHost host;
};

// An image block: type, little-endian address, length, data.
inline std::string Block(uint8_t type, uint32_t address, const std::string& data) {
    std::string block;
    block.push_back(static_cast<char>(type));
    for (int i = 0; i < 4; ++i) {
        block.push_back(static_cast<char>((address >> (8 * i)) & 0xFF));
    }
    block.push_back(static_cast<char>(data.size()));
    return block + data;
}

inline const std::string kEndBlock = Bytes({1, 0, 0, 0, 0, 0});

}  // namespace corvane::sim::testing
