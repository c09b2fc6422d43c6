// The per-projector device record (the program serves one projector: slot 0).
// Filled by the device link at connection, emptied by it at close-down.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "platform/DeviceAccess.h"
#include "platform/Event.h"

namespace corvane {

struct DownloadJob;
struct ReaderLink;

inline constexpr int kReplyTextSize = 1024;
inline constexpr int kDevicePathSize = 260;
inline constexpr int kBlockHeaderSize = 6;
inline constexpr int kBlockDataSize = 250;

// The converter's image block under construction. The header sits right in
// front of the data so that header and data go out as one run of bytes.
struct OpenBlock {
    uint8_t fill = 0;                                       // data bytes held; 0 = no open block
    uint32_t nextAddress = 0;                               // address that continues the block
    uint8_t bytes[kBlockHeaderSize + kBlockDataSize] = {};  // type, address (LE), length, data
};

struct DeviceRecord {
    char devicePath[kDevicePathSize] = {};
    platform::DeviceHandle deviceHandle = platform::kInvalidDeviceHandle;
    DownloadJob* job = nullptr;
    ReaderLink* readerLink = nullptr;
    uint16_t receivedCount = 0;
    char replyText[kReplyTextSize] = {};
    std::unique_ptr<platform::Event> replyEvent;  // null when none
    uint32_t state = 0;                           // JobState
    uint32_t subStep = 0;                         // which reply a multi-command request awaits
    FILE* stagedImage = nullptr;
    OpenBlock openBlock;
};

}  // namespace corvane
