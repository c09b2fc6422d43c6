// Faults the virtual projector can be told to show. A plain record: fill it in
// a test (or from the command line, see SimulateOptions.h) and hand it to the
// projector. Counts say how many times a fault fires; kAlways never runs out.
// A fault that fires is used up by that many; the rest of the record stays.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>

#include "sim/ProtocolCommand.h"

namespace corvane::sim {

inline constexpr int kAlways = -1;

struct SplitFault {
    size_t atByte = 1;  // the first packet carries bytes [0, atByte)
    int times = 1;
};

struct LongReplyFault {
    size_t length = 1100;  // the reply is padded to this many bytes
    int times = 1;
};

struct FaultConfig {
    // A negative reply (NAK) instead of the real one; the command has no effect.
    std::map<Command, int> refusals;
    // The reply to the command reaches the host in two parts.
    std::map<Command, SplitFault> splits;
    // A zero-length packet goes out ahead of the reply to the command.
    std::map<Command, int> zeroLengthPackets;
    // The reply to the command is padded with '~' to the given length (before
    // its final 0x0D if it is a text line).
    std::map<Command, LongReplyFault> longReplies;
    // From this command on, the projector takes input but neither acts on it
    // nor answers, until it is plugged in again or restarted.
    std::optional<Command> silenceAt;
    // The projector leaves the bus as this command arrives (before acting).
    std::optional<Command> unplugAt;
    // The projector leaves the bus as the Nth image block (data or end block,
    // counted from when it was plugged in) arrives, before programming it.
    std::optional<int> unplugAfterBlocks;
    // The next N checksum replies to "V" are wrong.
    int wrongChecksums = 0;
    // "B" answers ACK, this text and 0x0D instead of the real descriptor
    // (malformed descriptors, more than 64 partitions, ...).
    std::optional<std::string> partitionReply;
    // Every transfer takes at least one 1 ms USB full-speed frame.
    bool fullSpeedPacing = false;

    FaultConfig& Refuse(Command command, int times = 1);
    FaultConfig& Split(Command command, size_t atByte, int times = 1);
    FaultConfig& ZeroLengthPacket(Command command, int times = 1);
    FaultConfig& LongReply(Command command, size_t length, int times = 1);
    FaultConfig& SilenceAt(Command command);
    FaultConfig& UnplugAt(Command command);
    FaultConfig& UnplugAfterBlocks(int blocks);
    FaultConfig& WrongChecksums(int times);
    FaultConfig& PartitionReply(std::string text);
    FaultConfig& FullSpeedPacing(bool on = true);
};

}  // namespace corvane::sim
