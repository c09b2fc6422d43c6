// The two maintenance requests: clearing the NVRAM and writing new part and
// serial numbers.
#include <cstring>

#include "app/engine/ReplyText.h"
#include "app/engine/RequestChannel.h"
#include "app/engine/Requests.h"

namespace corvane {

namespace {

constexpr uint32_t kClearNvramSent = 14;
// Sub-steps of ProgramIdsRequest: which reply is awaited.
constexpr uint32_t kProgramIdsOpenPart = 10;
constexpr uint32_t kProgramIdsPartWritten = 11;
constexpr uint32_t kProgramIdsOpenSerial = 12;
constexpr uint32_t kProgramIdsSerialWritten = 13;

// Sends letter + number + "\r"; the number is bounded by its field.
void SendNumber(EngineContext& context, uint8_t slot, char letter, const char* number,
                size_t maxChars) {
    char command[2 + kPartNumberChars + 1] = {letter};
    const size_t length = strnlen(number, maxChars);
    std::memcpy(command + 1, number, length);
    command[1 + length] = '\r';
    command[2 + length] = '\0';
    SendCommandTo(context, slot, command);
}

}  // namespace

void ClearNvramRequestBegin(EngineContext& context, uint8_t slot) {
    SendCommandTo(context, slot, "C");
    ExpectReplyFrom(context, slot, 1, true);
    RecordOf(context, slot).subStep = kClearNvramSent;
}

int ClearNvramRequestContinue(EngineContext& context, uint8_t slot) {
    const DeviceRecord& record = RecordOf(context, slot);
    return record.subStep == kClearNvramSent && ReplyIsAck(record) ? 1 : 3;
}

int ProgramIdsRequestBegin(EngineContext& context, uint8_t slot) {
    const MainWindowRecord* window = context.mainWindow;
    const bool hasPart = window != nullptr && window->newPartNumber[0] != '\0';
    const bool hasSerial = window != nullptr && window->newSerialNumber[0] != '\0';
    if (!hasPart && !hasSerial) {
        return 1;
    }
    SendCommandTo(context, slot, "S");
    ExpectReplyFrom(context, slot, 1, true);
    RecordOf(context, slot).subStep = hasPart ? kProgramIdsOpenPart : kProgramIdsOpenSerial;
    return 0;
}

int ProgramIdsRequestContinue(EngineContext& context, uint8_t slot) {
    DeviceRecord& record = RecordOf(context, slot);
    const MainWindowRecord* window = context.mainWindow;
    if (!ReplyIsAck(record) || window == nullptr) {
        return 3;
    }
    switch (record.subStep) {
        case kProgramIdsOpenPart:
            SendNumber(context, slot, 'P', window->newPartNumber, kPartNumberChars);
            ExpectReplyFrom(context, slot, 1, true);
            record.subStep = kProgramIdsPartWritten;
            return 0;
        case kProgramIdsPartWritten:
            if (window->newSerialNumber[0] == '\0') {
                return 1;
            }
            SendCommandTo(context, slot, "S");
            ExpectReplyFrom(context, slot, 1, true);
            record.subStep = kProgramIdsOpenSerial;
            return 0;
        case kProgramIdsOpenSerial:
            SendNumber(context, slot, 'S', window->newSerialNumber, kSerialNumberChars);
            ExpectReplyFrom(context, slot, 1, true);
            record.subStep = kProgramIdsSerialWritten;
            return 0;
        case kProgramIdsSerialWritten:
            return 1;
        default:
            return 3;
    }
}

}  // namespace corvane
