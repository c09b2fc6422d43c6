// Erasing the partitions the current file touches: "E", one "BE" command per
// flagged partition in ascending order, then a lone carriage return.
#include <cstdio>

#include "app/engine/JobReporting.h"
#include "app/engine/ReplyText.h"
#include "app/engine/RequestChannel.h"
#include "app/engine/Requests.h"

namespace corvane {

void EraseRequestBegin(EngineContext& context, uint8_t slot) {
    SendCommandTo(context, slot, "E");
    ExpectReplyFrom(context, slot, 1, true);
    context.requests.eraseCursor = 0;
}

int EraseRequestContinue(EngineContext& context, uint8_t slot, const PartitionFlags& flags) {
    if (!ReplyIsAck(RecordOf(context, slot))) {
        return 5;
    }
    const PartitionTable& table = context.partitions;
    int32_t& cursor = context.requests.eraseCursor;
    const int32_t count = table.count < kMaxPartitions ? table.count : kMaxPartitions;
    while (cursor < count && flags.flag[cursor] == 0) {
        ++cursor;
    }
    if (cursor < 0 || cursor >= count) {
        SendCommandTo(context, slot, "\r");
        return 1;
    }
    const unsigned long start = table.start[cursor];
    char text[32];
    std::snprintf(text, sizeof(text), "Erasing Flash %08lX...", start);
    PostControlText(context, kStatusLineControl, text);
    std::snprintf(text, sizeof(text), "BE%08lX\r", start);
    SendCommandTo(context, slot, text);
    ExpectReplyFrom(context, slot, 1, true);
    cursor += 1;
    return 0;
}

}  // namespace corvane
