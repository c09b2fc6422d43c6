// Streaming the staged image to the projector: "F", then one image block per
// acknowledged reply, the end block included.
#include <cstdio>

#include "app/engine/JobReporting.h"
#include "app/engine/ProgramProgress.h"
#include "app/engine/ReplyText.h"
#include "app/engine/RequestChannel.h"
#include "app/engine/Requests.h"

namespace corvane {

namespace {

constexpr uint8_t kProgressInterval = 10;
constexpr int kEndOfImage = 0xFF;

constexpr uint8_t kDataBlock = 0;
constexpr uint8_t kEndBlock = 1;

// Reads the block behind its type byte into the outgoing block. False when
// the type is neither data nor end, the staged image ends inside the block or
// the block is longer than one write request carries.
bool ReadBlock(FILE* image, uint8_t* block, size_t& size) {
    if (block[0] != kDataBlock && block[0] != kEndBlock) {
        return false;
    }
    if (std::fread(block + 1, 1, kBlockHeaderSize - 1, image) != kBlockHeaderSize - 1) {
        return false;
    }
    const size_t n = block[kBlockHeaderSize - 1];
    if (n > static_cast<size_t>(kBlockDataSize)) {
        return false;
    }
    if (std::fread(block + kBlockHeaderSize, 1, n, image) != n) {
        return false;
    }
    size = kBlockHeaderSize + n;
    return true;
}

}  // namespace

void ProgramRequestBegin(EngineContext& context, uint8_t slot) {
    RequestBookkeeping& requests = context.requests;
    FILE* image = RecordOf(context, slot).stagedImage;
    requests.stagedSize = 0;
    if (image != nullptr && std::fseek(image, 0, SEEK_END) == 0) {
        const long size = std::ftell(image);
        requests.stagedSize = size > 0 ? size : 0;
        std::rewind(image);
    }
    requests.programRetries = 0;
    SendCommandTo(context, slot, "F");
    ExpectReplyFrom(context, slot, 1, true);
    requests.programPhase = 1;
    PostProgress(context, 0);
    PostProgress(context, kProgressShowBar);
    requests.progressCountdown = kProgressInterval;
}

int ProgramRequestContinue(EngineContext& context, uint8_t slot) {
    RequestBookkeeping& requests = context.requests;
    DeviceRecord& record = RecordOf(context, slot);
    if (!ReplyIsAck(record)) {
        const int32_t before = requests.programRetries++;
        if (before >= kProgramMaxRetries) {
            requests.programPhase = 0;
            return 3;
        }
        if (requests.programPhase == 1) {
            SendCommandTo(context, slot, "F");
            ExpectReplyFrom(context, slot, 1, true);
            return 0;
        }
        return 3;
    }
    FILE* image = record.stagedImage;
    const int type = image != nullptr ? std::fgetc(image) : EOF;
    if (type == EOF || type == kEndOfImage) {
        requests.programPhase = 0;
        return 1;
    }
    uint8_t* block = requests.outgoingBlock;
    block[0] = static_cast<uint8_t>(type);
    size_t size = 0;
    if (!ReadBlock(image, block, size)) {
        // Never send a damaged block to the flash. The fault is the host's
        // file, not the projector's answer.
        requests.programPhase = 0;
        return 6;
    }
    if (ReaderLink* link = record.readerLink) {
        SendBlock(*link, block, size);
    }
    requests.programRetries = 0;
    ExpectReplyFrom(context, slot, 1, true);
    requests.programPhase = 2;
    if (--requests.progressCountdown == 0) {
        PostProgress(context, ProgramProgressPercent(std::ftell(image), requests.stagedSize));
        requests.progressCountdown = kProgressInterval;
    }
    return 0;
}

}  // namespace corvane
