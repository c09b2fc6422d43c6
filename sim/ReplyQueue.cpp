#include "sim/ReplyQueue.h"

namespace corvane::sim {

void ReplyQueue::Push(std::string_view bytes, size_t splitAt) {
    if (splitAt > 0 && splitAt < bytes.size()) {
        PushPackets(bytes.substr(0, splitAt));
        PushPackets(bytes.substr(splitAt));
        return;
    }
    PushPackets(bytes);
}

void ReplyQueue::PushZeroLength() {
    packets_.emplace_back();
}

void ReplyQueue::PushPackets(std::string_view bytes) {
    for (size_t offset = 0; offset < bytes.size(); offset += kPacketSize) {
        const std::string_view piece = bytes.substr(offset, kPacketSize);
        packets_.emplace_back(piece.begin(), piece.end());
    }
}

std::vector<uint8_t> ReplyQueue::Take(size_t maxLength) {
    std::vector<uint8_t>& front = packets_.front();
    if (front.size() <= maxLength) {
        std::vector<uint8_t> packet = std::move(front);
        packets_.pop_front();
        return packet;
    }
    std::vector<uint8_t> head(front.begin(), front.begin() + static_cast<ptrdiff_t>(maxLength));
    front.erase(front.begin(), front.begin() + static_cast<ptrdiff_t>(maxLength));
    return head;
}

}  // namespace corvane::sim
