// Verification: the projector's CRC-16 over the first run of flagged
// partitions is compared with the host's CRC-16 of the same range, where
// every byte the staged image does not supply counts as erased (0xFF).
#include <cctype>
#include <cstdio>
#include <cstring>

#include "app/engine/ReplyText.h"
#include "app/engine/RequestChannel.h"
#include "app/engine/Requests.h"
#include "app/engine/StagedImageChecksum.h"

namespace corvane {

namespace {

constexpr uint8_t kVerifySent = 1;
constexpr uint8_t kAddressesSent = 2;
constexpr uint16_t kChecksumReplyBytes = 5;

int TableCount(const PartitionTable& table) {
    return table.count < kMaxPartitions ? table.count : kMaxPartitions;
}

// The lowest flagged partition within the table, or -1.
int FirstFlagged(const PartitionTable& table, const PartitionFlags& flags) {
    for (int i = 0; i < TableCount(table); ++i) {
        if (flags.flag[i] != 0) {
            return i;
        }
    }
    return -1;
}

// Sends the address pair and computes the expected checksum.
void SendAddressesAndCompute(EngineContext& context, uint8_t slot, const PartitionFlags& flags,
                             int first) {
    const PartitionTable& table = context.partitions;
    RequestBookkeeping& requests = context.requests;
    char text[16];
    std::snprintf(text, sizeof(text), "%08lX", static_cast<unsigned long>(table.start[first]));
    SendCommandTo(context, slot, text);
    int last = first;
    while (last + 1 < TableCount(table) && flags.flag[last + 1] == 1) {
        ++last;
    }
    requests.verifyCursor = last;
    std::snprintf(text, sizeof(text), "%08lX\r", static_cast<unsigned long>(table.start[last]));
    SendCommandTo(context, slot, text);

    const uint32_t rangeStart = table.start[first];
    const uint32_t rangeEnd =
        last + 1 < TableCount(table) ? table.start[last + 1] : table.flashSize;
    const bool rangeInFlash = rangeStart <= rangeEnd && rangeEnd <= table.flashSize;
    requests.expectedChecksumValid =
        rangeInFlash &&
        ComputeStagedImageChecksum(RecordOf(context, slot).stagedImage, table.flashSize, rangeStart,
                                   rangeEnd, requests.expectedChecksum);
    requests.stagedImageDamaged = rangeInFlash && !requests.expectedChecksumValid;
}

// Up to four hex digits at the start of the reply; false when there is none.
bool ParseChecksum(const char* text, uint16_t& value) {
    unsigned result = 0;
    int digits = 0;
    while (digits < 4 && std::isxdigit(static_cast<unsigned char>(text[digits]))) {
        const char c = text[digits];
        const unsigned digit = std::isdigit(static_cast<unsigned char>(c))
                                   ? static_cast<unsigned>(c - '0')
                                   : static_cast<unsigned>(std::toupper(c) - 'A' + 10);
        result = result * 16 + digit;
        ++digits;
    }
    value = static_cast<uint16_t>(result);
    return digits > 0;
}

}  // namespace

int VerifyRequestBegin(EngineContext& context, uint8_t slot, const PartitionFlags& flags) {
    if (FirstFlagged(context.partitions, flags) < 0) {
        return 1;
    }
    SendCommandTo(context, slot, "V");
    ExpectReplyFrom(context, slot, 1, true);
    context.requests.verifyCursor = 0;
    context.requests.verifyPhase = kVerifySent;
    return 0;
}

int VerifyRequestContinue(EngineContext& context, uint8_t slot, const PartitionFlags& flags) {
    RequestBookkeeping& requests = context.requests;
    DeviceRecord& record = RecordOf(context, slot);
    if (requests.verifyPhase == kVerifySent) {
        if (!ReplyIsAck(record)) {
            return 4;
        }
        const int first = FirstFlagged(context.partitions, flags);
        if (first < 0) {
            return 3;  // the flags changed since "V": nothing sound to compare
        }
        SendAddressesAndCompute(context, slot, flags, first);
        ExpectReplyFrom(context, slot, kChecksumReplyBytes, true);
        requests.verifyPhase = kAddressesSent;
        return 0;
    }
    if (requests.stagedImageDamaged) {
        return 6;
    }
    uint16_t reported = 0;
    if (!ParseChecksum(record.replyText, reported) || !requests.expectedChecksumValid) {
        return 3;
    }
    return reported == requests.expectedChecksum ? 1 : 3;
}

}  // namespace corvane
