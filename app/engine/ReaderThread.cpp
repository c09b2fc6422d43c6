// The reader thread: the only thread that reads from the projector.
#include <cstring>

#include "app/engine/CommandChannel.h"
#include "app/engine/EngineContext.h"
#include "app/engine/ReplyText.h"
#include "app/ui/WindowMessages.h"
#include "common/UsbCtrl.h"

namespace corvane {

namespace {

constexpr uint32_t kReadPacketSize = 64;

}  // namespace

void RunReadRequest(ReaderLink& link, uint16_t n) {
    EngineContext* context = link.context;
    if (context == nullptr || link.slot >= kDeviceSlots) {
        return;
    }
    DeviceRecord& record = context->devices[link.slot];
    uint16_t total = 0;
    while (record.deviceHandle != platform::kInvalidDeviceHandle && total < n) {
        USBCTRL_REQUEST request{};
        USBCTRL_REPLY reply{};
        request.HCIReadBufferSize = kReadPacketSize;
        if (context->deviceAccess != nullptr) {
            context->deviceAccess->IoControl(record.deviceHandle, IOCTRL_READ_DATA, &request,
                                             sizeof(request), &reply, sizeof(reply), nullptr);
        }
        const size_t len = strnlen(reinterpret_cast<const char*>(reply.Data), sizeof(reply.Data));
        if (len == 0) {
            // No text (failed transfer, empty packet): abandon without the
            // event; the job waits until Stop or the device's departure.
            return;
        }
        AppendReplyBytes(record, reinterpret_cast<const char*>(reply.Data), len);
        const uint32_t sum = static_cast<uint32_t>(total) + len;
        total = sum > 0xFFFF ? 0xFFFF : static_cast<uint16_t>(sum);
    }
    if (record.replyEvent) {
        record.replyEvent->Set();
    }
}

uint32_t ReaderThreadMain(void* param) {
    ReaderLink* link = static_cast<ReaderLink*>(param);
    if (link == nullptr || !link->thread) {
        return 1;
    }
    platform::MessageThread& thread = *link->thread;
    for (;;) {
        const platform::Message message = thread.GetMessage();
        switch (message.message) {
            case TM_START:
                if (message.lParam != 0) {
                    link = reinterpret_cast<ReaderLink*>(message.lParam);
                }
                break;
            case TM_QUIT:
                return 0;
            case TM_READ_REPLY:
                RunReadRequest(*link, static_cast<uint16_t>(message.wParam & 0xFFFF));
                break;
            default:
                break;
        }
    }
}

}  // namespace corvane
