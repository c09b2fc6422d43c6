// Small views of the reply collected in a device record.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/engine/DeviceRecord.h"

namespace corvane {

// The reply's first byte is ACK (an empty or overflowed reply is negative).
bool ReplyIsAck(const DeviceRecord& record);

// The last received byte is a carriage return: a text reply is complete.
bool ReplyLineComplete(const DeviceRecord& record);

// Appends len bytes to the reply text. Bytes that do not fit (the text keeps
// its terminator) are dropped and the reply is marked negative.
void AppendReplyBytes(DeviceRecord& record, const char* bytes, size_t len);

}  // namespace corvane
