// The only path between the engine and the projector. Commands and image
// blocks are written on the download thread; replies are collected by the
// reader thread and announced through the device record's reply event.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/engine/ReaderLink.h"

namespace corvane {

inline constexpr uint8_t kAck = 0x06;
inline constexpr uint8_t kCarriageReturn = 0x0D;
// Stands in for the first reply byte when a reply did not fit the reply text,
// so every reader of the reply takes it as negative.
inline constexpr char kReplyOverflowMarker = 0x15;

// Writes the exact bytes of text (at most 255; nothing is added). Returns once
// the write request has completed; a failed write shows only as a reply that
// never comes.
void SendCommand(ReaderLink& link, const char* text);

// Writes n raw bytes (an image block; at most 256) in one write request.
void SendBlock(ReaderLink& link, const uint8_t* bytes, size_t n);

// Arms the reader thread to collect at least n more reply bytes. With reset
// the reply text is emptied first; without it new bytes are appended.
void ExpectReply(ReaderLink& link, uint16_t n, bool reset);

// The reader thread's body; param is the ReaderLink.
uint32_t ReaderThreadMain(void* param);

// One read request of the reader thread for n bytes (exposed for tests).
void RunReadRequest(ReaderLink& link, uint16_t n);

}  // namespace corvane
