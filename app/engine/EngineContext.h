// Everything the download engine keeps once for the whole program, in one
// object that tests can create afresh: the device record (slot 0), the
// partition table and flags, and the bookkeeping of the requests. The engine
// reaches the main window's record, its message queue and the driver only
// through the pointers given here.
#pragma once

#include <cstdint>

#include "app/engine/DeviceRecord.h"
#include "app/engine/PartitionTable.h"
#include "app/engine/RequestBookkeeping.h"
#include "app/ui/MainWindowRecord.h"
#include "platform/DeviceAccess.h"
#include "platform/WindowMessageQueue.h"

namespace corvane {

inline constexpr int kDeviceSlots = 1;

struct EngineContext {
    MainWindowRecord* mainWindow = nullptr;
    platform::WindowMessageQueue* mainWindowQueue = nullptr;
    platform::DeviceAccess* deviceAccess = nullptr;

    DeviceRecord devices[kDeviceSlots];
    PartitionTable partitions;
    PartitionFlags partitionFlags;

    // Request bookkeeping (handshake and flash requests).
    RequestBookkeeping requests;
};

}  // namespace corvane
