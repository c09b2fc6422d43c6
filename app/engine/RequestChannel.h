// How a request reaches the channel of its slot.
#pragma once

#include <cstdint>

#include "app/engine/CommandChannel.h"
#include "app/engine/EngineContext.h"

namespace corvane {

inline DeviceRecord& RecordOf(EngineContext& context, uint8_t slot) {
    return context.devices[slot];
}

inline void SendCommandTo(EngineContext& context, uint8_t slot, const char* text) {
    if (ReaderLink* link = context.devices[slot].readerLink) {
        SendCommand(*link, text);
    }
}

inline void ExpectReplyFrom(EngineContext& context, uint8_t slot, uint16_t n, bool reset) {
    if (ReaderLink* link = context.devices[slot].readerLink) {
        ExpectReply(*link, n, reset);
    }
}

// Copies at most maxChars characters of text (up to its terminator) into
// field, which holds maxChars + 1 bytes, and terminates it.
void CopyBoundedText(char* field, const char* text, size_t maxChars);

}  // namespace corvane
