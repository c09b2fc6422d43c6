// Applies a FaultConfig as the firmware runs: answers whether a fault fires
// now (using it up) and shapes replies on their way into the reply queue.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "sim/FaultConfig.h"
#include "sim/ReplyQueue.h"

namespace corvane::sim {

class FaultInjector {
public:
    void Set(FaultConfig config) { config_ = std::move(config); }
    // What is left of the faults.
    const FaultConfig& Remaining() const { return config_; }

    bool UnplugAt(Command command);
    bool SilenceAt(Command command);
    bool UnplugAtBlock(int blocksSincePlugged);
    bool Refuse(Command command);
    bool WrongChecksum();
    const std::optional<std::string>& PartitionReply() const { return config_.partitionReply; }
    bool Pacing() const { return config_.fullSpeedPacing; }

    // Queues `reply`, the answer to `command`, with any zero-length packet,
    // padding or split that is due.
    void Send(Command command, std::string reply, ReplyQueue& queue);

private:
    FaultConfig config_;
};

}  // namespace corvane::sim
