// The identification handshake: platform identifier, part and serial
// numbers, identification string and partition table.
#include <cstring>

#include "app/engine/DownloadJob.h"
#include "app/engine/JobReporting.h"
#include "app/engine/PartitionDescriptor.h"
#include "app/engine/ReplyText.h"
#include "app/engine/RequestChannel.h"
#include "app/engine/Requests.h"

namespace corvane {

namespace {

// Sub-steps of ReadIdsRequest: which reply is awaited.
constexpr uint32_t kReadIdsOpenPart = 6;
constexpr uint32_t kReadIdsPartNumber = 7;
constexpr uint32_t kReadIdsOpenSerial = 8;
constexpr uint32_t kReadIdsSerialNumber = 9;

// Cuts the completed line at its closing carriage return.
void TerminateLine(DeviceRecord& record) {
    record.replyText[record.receivedCount - 1] = '\0';
}

}  // namespace

void CopyBoundedText(char* field, const char* text, size_t maxChars) {
    const size_t length = strnlen(text, maxChars);
    std::memcpy(field, text, length);
    field[length] = '\0';
}

void PlatformRequestBegin(EngineContext& context, uint8_t slot) {
    SendCommandTo(context, slot, "P");
    ExpectReplyFrom(context, slot, 12, true);
}

int PlatformRequestContinue(EngineContext& context, uint8_t slot) {
    DeviceRecord& record = RecordOf(context, slot);
    if (context.mainWindow != nullptr) {
        char* platformId = context.mainWindow->platformId;
        CopyBoundedText(platformId, record.replyText + 1, kPlatformIdChars);
        PostControlText(context, kPlatformIdControl, platformId);
    }
    return 2;
}

void ReadIdsRequestBegin(EngineContext& context, uint8_t slot) {
    SendCommandTo(context, slot, "G");
    ExpectReplyFrom(context, slot, 1, true);
    RecordOf(context, slot).subStep = kReadIdsOpenPart;
}

int ReadIdsRequestContinue(EngineContext& context, uint8_t slot) {
    DeviceRecord& record = RecordOf(context, slot);
    if (!ReplyIsAck(record)) {
        return 3;
    }
    MainWindowRecord* window = context.mainWindow;
    switch (record.subStep) {
        case kReadIdsOpenPart:
            SendCommandTo(context, slot, "P");
            ExpectReplyFrom(context, slot, 1, true);
            record.subStep = kReadIdsPartNumber;
            return 0;
        case kReadIdsPartNumber:
            if (!ReplyLineComplete(record)) {
                ExpectReplyFrom(context, slot, 1, false);
                return 0;
            }
            TerminateLine(record);
            if (window != nullptr) {
                CopyBoundedText(window->currentPartNumber, record.replyText + 1, kPartNumberChars);
            }
            SendCommandTo(context, slot, "G");
            ExpectReplyFrom(context, slot, 1, true);
            record.subStep = kReadIdsOpenSerial;
            return 0;
        case kReadIdsOpenSerial:
            SendCommandTo(context, slot, "S");
            ExpectReplyFrom(context, slot, 1, true);
            record.subStep = kReadIdsSerialNumber;
            return 0;
        case kReadIdsSerialNumber:
            if (!ReplyLineComplete(record)) {
                ExpectReplyFrom(context, slot, 1, false);
                return 0;
            }
            TerminateLine(record);
            if (window != nullptr) {
                CopyBoundedText(window->currentSerialNumber, record.replyText + 1,
                                kSerialNumberChars);
                PostControlText(context, kPartNumberControl, window->currentPartNumber);
                PostControlText(context, kSerialNumberControl, window->currentSerialNumber);
            }
            return 1;
        default:
            return 3;
    }
}

void IdentifyRequestBegin(EngineContext& context, uint8_t slot) {
    context.requests.identifyTries = 1;
    SendCommandTo(context, slot, "I");
    ExpectReplyFrom(context, slot, 1, true);
}

int IdentifyRequestContinue(EngineContext& context, uint8_t slot, char* identification) {
    DeviceRecord& record = RecordOf(context, slot);
    int32_t& tries = context.requests.identifyTries;
    if (!ReplyIsAck(record)) {
        if (tries >= kIdentifyMaxTries) {
            ++tries;
            return 2;
        }
        ++tries;
        SendCommandTo(context, slot, "I");
        ExpectReplyFrom(context, slot, 1, true);
        return 4;
    }
    if (!ReplyLineComplete(record)) {
        ExpectReplyFrom(context, slot, 1, false);
        return 1;
    }
    // The text up to the first carriage return. A longer string than the
    // field holds is kept cut to kIdentificationSize - 1 characters, which
    // can never equal the expected identification.
    const char* text = record.replyText + 1;
    const char* cr = std::strchr(text, kCarriageReturn);
    const size_t length = cr != nullptr ? static_cast<size_t>(cr - text) : std::strlen(text);
    const size_t kept = length < kIdentificationSize - 1 ? length : kIdentificationSize - 1;
    std::memcpy(identification, text, kept);
    identification[kept] = '\0';
    return 3;
}

void PartitionsRequestBegin(EngineContext& context, uint8_t slot) {
    context.requests.partitionTries = 1;
    SendCommandTo(context, slot, "B");
    ExpectReplyFrom(context, slot, 1, true);
}

int PartitionsRequestContinue(EngineContext& context, uint8_t slot) {
    DeviceRecord& record = RecordOf(context, slot);
    int32_t& tries = context.requests.partitionTries;
    if (!ReplyIsAck(record)) {
        if (tries >= kPartitionsMaxTries) {
            ++tries;
            return 5;
        }
        ++tries;
        SendCommandTo(context, slot, "B");
        ExpectReplyFrom(context, slot, 1, true);
        return 2;
    }
    if (!ReplyLineComplete(record)) {
        ExpectReplyFrom(context, slot, 1, false);
        return 0;
    }
    TerminateLine(record);
    return ParsePartitionDescriptor(record.replyText + 1, context.partitions);
}

}  // namespace corvane
