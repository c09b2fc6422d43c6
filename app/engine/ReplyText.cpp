#include "app/engine/ReplyText.h"

#include <cstring>

#include "app/engine/CommandChannel.h"

namespace corvane {

bool ReplyIsAck(const DeviceRecord& record) {
    return static_cast<uint8_t>(record.replyText[0]) == kAck;
}

bool ReplyLineComplete(const DeviceRecord& record) {
    const size_t count = record.receivedCount;
    if (count == 0 || count >= static_cast<size_t>(kReplyTextSize)) {
        return false;
    }
    return static_cast<uint8_t>(record.replyText[count - 1]) == kCarriageReturn;
}

void AppendReplyBytes(DeviceRecord& record, const char* bytes, size_t len) {
    constexpr size_t kCapacity = kReplyTextSize - 1;  // one byte for the terminator
    size_t used = record.receivedCount;
    if (used > kCapacity) {
        used = kCapacity;
    }
    const size_t room = kCapacity - used;
    const size_t taken = len < room ? len : room;
    std::memcpy(record.replyText + used, bytes, taken);
    record.replyText[used + taken] = '\0';
    record.receivedCount = static_cast<uint16_t>(used + taken);
    if (taken < len) {
        // A reply longer than the buffer is no reply the protocol knows:
        // make every reader see it as negative.
        record.replyText[0] = kReplyOverflowMarker;
    }
}

}  // namespace corvane
