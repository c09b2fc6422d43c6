#include "sim/ProjectorFirmware.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "sim/Crc16Arc.h"

namespace corvane::sim {

ProjectorFirmware::ProjectorFirmware(const ProjectorConfig& config)
    : platformId_(config.platformId),
      identification_(config.identification),
      partNumber_(config.partNumber),
      serialNumber_(config.serialNumber),
      layout_(config.layout),
      flash_(config.layout.flashSize, config.oldFirmwareSeed) {
    faults_.Set(config.faults);
}

void ProjectorFirmware::PowerUp() {
    lexer_.Reset();
    replies_.Clear();
    busRequest_ = BusRequest::None;
    afterSync_ = false;
    silenced_ = false;
    blocksSincePowerUp_ = 0;
}

BusRequest ProjectorFirmware::TakeBusRequest() {
    const BusRequest request = busRequest_;
    busRequest_ = BusRequest::None;
    return request;
}

void ProjectorFirmware::Receive(const uint8_t* data, size_t length) {
    for (size_t i = 0; i < length && busRequest_ == BusRequest::None; ++i) {
        LexResult run;
        if (const size_t taken = lexer_.FeedBlockRun(data + i, length - i, run); taken > 0) {
            if (run.command) {
                Take(*run.command);
            }
            i += taken - 1;
            continue;
        }
        for (;;) {
            LexResult result = lexer_.Feed(data[i]);
            if (result.command) {
                Take(*result.command);
            }
            if (result.consumed || busRequest_ != BusRequest::None) {
                break;
            }
        }
    }
    if (busRequest_ == BusRequest::None) {
        if (auto pending = lexer_.EndOfTransfer()) {
            Take(*pending);
        }
    }
}

void ProjectorFirmware::Take(const ParsedCommand& parsed) {
    lexer_.SetMode(Handle(parsed));
}

LexMode ProjectorFirmware::Handle(const ParsedCommand& parsed) {
    const bool afterSync = afterSync_;
    afterSync_ = false;
    const Command command = parsed.command;
    if (silenced_) {
        return LexMode::Command;
    }
    if (faults_.UnplugAt(command)) {
        busRequest_ = BusRequest::Unplug;
        return LexMode::Command;
    }
    const bool isBlock = command == Command::Block || command == Command::EndBlock;
    if (isBlock && !parsed.outsideProgramming && faults_.UnplugAtBlock(++blocksSincePowerUp_)) {
        busRequest_ = BusRequest::Unplug;
        return LexMode::Command;
    }
    if (faults_.SilenceAt(command)) {
        silenced_ = true;
        return LexMode::Command;
    }
    if (faults_.Refuse(command)) {
        return Nak(command);
    }
    return Execute(parsed, afterSync);
}

LexMode ProjectorFirmware::Execute(const ParsedCommand& parsed, bool afterSync) {
    const Command command = parsed.command;
    switch (command) {
        case Command::Sync:
            if (!parsed.wellFormed) {
                return Nak(command);
            }
            replies_.Clear();  // a sync drops whatever the host did not fetch
            afterSync_ = true;
            Ack(command);
            return LexMode::Command;
        case Command::Platform: {
            if (!afterSync) {
                return Nak(command);
            }
            std::string id = platformId_.substr(0, kPlatformIdLength);
            id.resize(kPlatformIdLength, ' ');
            Line(command, id);
            return LexMode::Command;
        }
        case Command::GetNumber:
            Ack(command);
            return LexMode::GetSelect;
        case Command::GetPart:
            Line(command, partNumber_);
            return LexMode::Command;
        case Command::GetSerial:
            Line(command, serialNumber_);
            return LexMode::Command;
        case Command::Identify:
            Line(command, identification_);
            return LexMode::Command;
        case Command::Partitions:
            Line(command, faults_.PartitionReply().value_or(FormatPartitionDescriptor(layout_)));
            return LexMode::Command;
        case Command::ClearNvram:
            nvram_.Clear();
            Ack(command);
            return LexMode::Command;
        case Command::SetNumber:
            Ack(command);
            return LexMode::SetSelect;
        case Command::SetPart:
            return SetNumber(parsed, partNumber_, kMaxPartNumber);
        case Command::SetSerial:
            return SetNumber(parsed, serialNumber_, kMaxSerialNumber);
        case Command::Erase:
            Ack(command);
            return LexMode::Erase;
        case Command::ErasePartition:
            return ErasePartition(parsed);
        case Command::EraseEnd:
            return LexMode::Command;  // nothing is awaited after the lone "\r"
        case Command::Program:
            Ack(command);
            return LexMode::Programming;
        case Command::Block:
        case Command::EndBlock:
            return ProgramBlock(parsed);
        case Command::Exit:
            Ack(command);
            return LexMode::Command;
        case Command::Verify:
            Ack(command);
            return LexMode::VerifyRange;
        case Command::VerifyRange:
            return VerifyRange(parsed);
        case Command::Restart:
            busRequest_ = BusRequest::Restart;
            return LexMode::Command;
        case Command::Unexpected:
            break;
    }
    return Nak(command);
}

LexMode ProjectorFirmware::SetNumber(const ParsedCommand& parsed, std::string& number,
                                     size_t limit) {
    const std::string& text = parsed.text;
    const bool printable = std::all_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) <= 0x7E;
    });
    if (!parsed.wellFormed || text.empty() || text.size() > limit || !printable) {
        return Nak(parsed.command);
    }
    number = text;
    Ack(parsed.command);
    return LexMode::Command;
}

LexMode ProjectorFirmware::ErasePartition(const ParsedCommand& parsed) {
    const auto index = layout_.IndexStartingAt(parsed.address);
    if (!parsed.wellFormed || !index) {
        return Nak(parsed.command);
    }
    flash_.Erase(parsed.address, layout_.EndOf(*index));
    Ack(parsed.command);
    return LexMode::Erase;
}

LexMode ProjectorFirmware::ProgramBlock(const ParsedCommand& parsed) {
    if (parsed.outsideProgramming) {
        return Nak(parsed.command);
    }
    if (parsed.command == Command::EndBlock) {
        Ack(parsed.command);
        return LexMode::Command;
    }
    if (!flash_.Program(parsed.address, parsed.data.data(), parsed.data.size())) {
        return Nak(parsed.command);
    }
    Ack(parsed.command);
    return LexMode::Programming;
}

LexMode ProjectorFirmware::VerifyRange(const ParsedCommand& parsed) {
    const auto index = layout_.IndexStartingAt(parsed.address2);
    if (!parsed.wellFormed || !index || parsed.address > layout_.EndOf(*index)) {
        return Nak(parsed.command);
    }
    const uint32_t end = layout_.EndOf(*index);
    const std::vector<uint8_t> range = flash_.Read(parsed.address, end - parsed.address);
    uint16_t crc = Crc16Arc(range.data(), range.size());
    if (faults_.WrongChecksum()) {
        crc ^= 0xFFFF;
    }
    char text[8];
    std::snprintf(text, sizeof text, "%04X\r", crc);
    Reply(parsed.command, text);
    return LexMode::Command;
}

void ProjectorFirmware::Ack(Command command) {
    Reply(command, std::string(1, static_cast<char>(kAck)));
}

LexMode ProjectorFirmware::Nak(Command command) {
    Reply(command, std::string(1, static_cast<char>(kNak)));
    return LexMode::Command;
}

void ProjectorFirmware::Line(Command command, const std::string& text) {
    std::string reply(1, static_cast<char>(kAck));
    reply += text;
    reply += static_cast<char>(kCr);
    Reply(command, std::move(reply));
}

void ProjectorFirmware::Reply(Command command, std::string bytes) {
    // The host reads replies as C strings: a zero byte would cut them short.
    std::replace(bytes.begin(), bytes.end(), '\0', '?');
    faults_.Send(command, std::move(bytes), replies_);
}

}  // namespace corvane::sim
