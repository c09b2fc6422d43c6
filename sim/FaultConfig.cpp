#include "sim/FaultConfig.h"

#include <utility>

namespace corvane::sim {

FaultConfig& FaultConfig::Refuse(Command command, int times) {
    refusals[command] = times;
    return *this;
}

FaultConfig& FaultConfig::Split(Command command, size_t atByte, int times) {
    splits[command] = SplitFault{atByte, times};
    return *this;
}

FaultConfig& FaultConfig::ZeroLengthPacket(Command command, int times) {
    zeroLengthPackets[command] = times;
    return *this;
}

FaultConfig& FaultConfig::LongReply(Command command, size_t length, int times) {
    longReplies[command] = LongReplyFault{length, times};
    return *this;
}

FaultConfig& FaultConfig::SilenceAt(Command command) {
    silenceAt = command;
    return *this;
}

FaultConfig& FaultConfig::UnplugAt(Command command) {
    unplugAt = command;
    return *this;
}

FaultConfig& FaultConfig::UnplugAfterBlocks(int blocks) {
    unplugAfterBlocks = blocks;
    return *this;
}

FaultConfig& FaultConfig::WrongChecksums(int times) {
    wrongChecksums = times;
    return *this;
}

FaultConfig& FaultConfig::PartitionReply(std::string text) {
    partitionReply = std::move(text);
    return *this;
}

FaultConfig& FaultConfig::FullSpeedPacing(bool on) {
    fullSpeedPacing = on;
    return *this;
}

}  // namespace corvane::sim
