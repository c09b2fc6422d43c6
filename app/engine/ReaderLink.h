// The receiver of the command channel's operations: it names the device slot
// and the reader thread that collects that projector's replies. Created by the
// device link, which binds slot and thread before the thread is resumed.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/MessageThread.h"

namespace corvane {

struct EngineContext;

inline constexpr uint8_t kUnboundSlot = 0xFF;

struct ReaderLink {
    explicit ReaderLink(EngineContext* engine) : context(engine) {}

    uint8_t slot = kUnboundSlot;
    // The reader thread; its queue takes TM_READ_REPLY and TM_QUIT.
    std::unique_ptr<platform::MessageThread> thread;
    EngineContext* context;
};

}  // namespace corvane
