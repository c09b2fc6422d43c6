// The projector's IN endpoint buffer: replies waiting to be fetched, already cut
// into bulk packets of at most 64 bytes. Every reply starts a new packet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string_view>
#include <vector>

namespace corvane::sim {

class ReplyQueue {
public:
    static constexpr size_t kPacketSize = 64;

    // Queues `bytes` as packets. With 0 < splitAt < size the reply is cut at
    // that byte first, each part then packetised on its own.
    void Push(std::string_view bytes, size_t splitAt = 0);
    void PushZeroLength();

    bool Empty() const { return packets_.empty(); }
    size_t PacketCount() const { return packets_.size(); }

    // The next packet, or its first `maxLength` bytes (the rest stays in
    // front). Must not be called when empty.
    std::vector<uint8_t> Take(size_t maxLength);

    void Clear() { packets_.clear(); }

private:
    void PushPackets(std::string_view bytes);

    std::deque<std::vector<uint8_t>> packets_;
};

}  // namespace corvane::sim
