// The controller board's download firmware: takes the OUT byte stream through
// the lexer, carries out each command on the flash, the NVRAM and the
// identification numbers, and queues the replies. Not thread-safe: the
// VirtualProjector serialises all calls.
//
// Replies: every positive reply opens with ACK 0x06, every negative reply is
// the single byte NAK 0x15, text lines end with 0x0D, and no reply contains a
// zero byte. Any negative reply returns the protocol to the top level.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "sim/CommandLexer.h"
#include "sim/FaultInjector.h"
#include "sim/FlashMemory.h"
#include "sim/Nvram.h"
#include "sim/PartitionLayout.h"
#include "sim/ProjectorConfig.h"
#include "sim/ReplyQueue.h"

namespace corvane::sim {

// What the firmware needs the USB side to do once the transfer is taken.
enum class BusRequest { None, Restart, Unplug };

class ProjectorFirmware {
public:
    explicit ProjectorFirmware(const ProjectorConfig& config);

    // One OUT transfer. Bytes after a restart or unplug are dropped.
    void Receive(const uint8_t* data, size_t length);
    BusRequest TakeBusRequest();

    // Power comes (back): the protocol starts at the top, unsent replies are
    // gone, silence ends, the block count restarts. Flash, NVRAM and numbers
    // stay.
    void PowerUp();

    ReplyQueue& Replies() { return replies_; }
    const ReplyQueue& Replies() const { return replies_; }
    FaultInjector& Faults() { return faults_; }
    const FaultInjector& Faults() const { return faults_; }

    const FlashMemory& Flash() const { return flash_; }
    const Nvram& NvramStore() const { return nvram_; }
    const PartitionLayout& Layout() const { return layout_; }
    const std::string& PartNumber() const { return partNumber_; }
    const std::string& SerialNumber() const { return serialNumber_; }
    LexMode Mode() const { return lexer_.Mode(); }
    bool Silenced() const { return silenced_; }

private:
    void Take(const ParsedCommand& parsed);
    LexMode Handle(const ParsedCommand& parsed);
    LexMode Execute(const ParsedCommand& parsed, bool afterSync);
    LexMode ErasePartition(const ParsedCommand& parsed);
    LexMode ProgramBlock(const ParsedCommand& parsed);
    LexMode VerifyRange(const ParsedCommand& parsed);
    LexMode SetNumber(const ParsedCommand& parsed, std::string& number, size_t limit);

    void Ack(Command command);
    LexMode Nak(Command command);
    void Line(Command command, const std::string& text);  // ACK, text, 0x0D
    void Reply(Command command, std::string bytes);

    std::string platformId_;
    std::string identification_;
    std::string partNumber_;
    std::string serialNumber_;
    PartitionLayout layout_;
    FlashMemory flash_;
    Nvram nvram_;

    CommandLexer lexer_;
    ReplyQueue replies_;
    FaultInjector faults_;
    BusRequest busRequest_ = BusRequest::None;
    bool afterSync_ = false;
    bool silenced_ = false;
    int blocksSincePowerUp_ = 0;
};

}  // namespace corvane::sim
