// WM_DEVICECHANGE as the main window's queue carries it. Windows sends the
// message with a DEV_BROADCAST record that is valid only during the call; the
// window copies it into a heap DeviceInterfaceNotice (see
// platform/DeviceNotifications.h) and posts that, so the device link sees the
// change in order with everything else posted to the window and frees it.
#pragma once

#include <cstdint>

#include "platform/Message.h"

namespace corvane::win32 {

// The longest interface path taken from a broadcast; a longer or unterminated
// one is cut here (a cut path never matches an open device's path).
inline constexpr uint32_t kMaxBroadcastPath = 1024;

// Whether the device link wants to hear of this event (arrivals and completed
// removals; every other event type is the window's default business).
bool IsDeviceChangeForLink(platform::WParam eventType);

// A heap notice copied from a DEV_BROADCAST_DEVICEINTERFACE_A record; 0 for no
// record, another kind of device, a record too short to hold its head, or no
// memory. Reads no byte beyond the record's declared size.
platform::LParam CopyDeviceBroadcast(const void* broadcast);

}  // namespace corvane::win32
