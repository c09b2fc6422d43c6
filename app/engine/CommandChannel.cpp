#include "app/engine/CommandChannel.h"

#include <cstring>

#include "app/engine/EngineContext.h"
#include "app/ui/WindowMessages.h"
#include "common/UsbCtrl.h"

namespace corvane {

namespace {

DeviceRecord* RecordOf(ReaderLink& link) {
    if (link.context == nullptr || link.slot >= kDeviceSlots) {
        return nullptr;
    }
    return &link.context->devices[link.slot];
}

// One IOCTRL_WRITE_DATA request with length bytes; its result is not examined.
void WriteBytes(ReaderLink& link, const uint8_t* bytes, size_t length) {
    DeviceRecord* record = RecordOf(link);
    if (record == nullptr || link.context->deviceAccess == nullptr) {
        return;
    }
    USBCTRL_REQUEST request{};
    std::memcpy(request.Data, bytes, length);
    request.Length = static_cast<uint32_t>(length);
    link.context->deviceAccess->IoControl(record->deviceHandle, IOCTRL_WRITE_DATA, &request,
                                          sizeof(request), nullptr, 0, nullptr);
}

}  // namespace

void SendCommand(ReaderLink& link, const char* text) {
    // The request carries the text with its terminator in 256 bytes.
    const size_t length = strnlen(text, USBCTRL_MAX_WRITE_LENGTH - 1);
    WriteBytes(link, reinterpret_cast<const uint8_t*>(text), length);
}

void SendBlock(ReaderLink& link, const uint8_t* bytes, size_t n) {
    // A full block (250 data bytes) is 256 bytes long: its length must not be
    // narrowed to 8 bits, or the block would go out empty.
    const size_t length = n < USBCTRL_MAX_WRITE_LENGTH ? n : USBCTRL_MAX_WRITE_LENGTH;
    WriteBytes(link, bytes, length);
}

void ExpectReply(ReaderLink& link, uint16_t n, bool reset) {
    DeviceRecord* record = RecordOf(link);
    if (record == nullptr) {
        return;
    }
    if (reset) {
        record->receivedCount = 0;
        record->replyText[0] = '\0';
    }
    // Reset before the request goes out, so the event can only mean this read.
    if (record->replyEvent) {
        record->replyEvent->Reset();
    }
    if (link.thread) {
        link.thread->Post(TM_READ_REPLY, n, 0);
    }
}

}  // namespace corvane
