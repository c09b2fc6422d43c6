#include "sim/FaultInjector.h"

#include <utility>

namespace corvane::sim {

namespace {

// Uses up one firing of a counted fault; kAlways (negative) never runs out.
bool Fire(int& times) {
    if (times == 0) {
        return false;
    }
    if (times > 0) {
        --times;
    }
    return true;
}

template <typename Map, typename Times>
bool FireEntry(Map& map, Command command, Times timesOf) {
    auto it = map.find(command);
    if (it == map.end() || !Fire(timesOf(it->second))) {
        return false;
    }
    if (timesOf(it->second) == 0) {
        map.erase(it);
    }
    return true;
}

}  // namespace

bool FaultInjector::UnplugAt(Command command) {
    if (config_.unplugAt != command) {
        return false;
    }
    config_.unplugAt.reset();
    return true;
}

bool FaultInjector::SilenceAt(Command command) {
    if (config_.silenceAt != command) {
        return false;
    }
    config_.silenceAt.reset();
    return true;
}

bool FaultInjector::UnplugAtBlock(int blocksSincePlugged) {
    if (config_.unplugAfterBlocks != blocksSincePlugged) {
        return false;
    }
    config_.unplugAfterBlocks.reset();
    return true;
}

bool FaultInjector::Refuse(Command command) {
    return FireEntry(config_.refusals, command, [](int& times) -> int& { return times; });
}

bool FaultInjector::WrongChecksum() {
    return Fire(config_.wrongChecksums);
}

void FaultInjector::Send(Command command, std::string reply, ReplyQueue& queue) {
    LongReplyFault longReply;
    if (auto it = config_.longReplies.find(command); it != config_.longReplies.end()) {
        longReply = it->second;
    }
    if (FireEntry(config_.longReplies, command,
                  [](LongReplyFault& f) -> int& { return f.times; }) &&
        reply.size() < longReply.length) {
        const bool textLine = !reply.empty() && reply.back() == static_cast<char>(kCr);
        const size_t at = textLine ? reply.size() - 1 : reply.size();
        reply.insert(at, longReply.length - reply.size(), '~');
    }
    if (FireEntry(config_.zeroLengthPackets, command, [](int& times) -> int& { return times; })) {
        queue.PushZeroLength();
    }
    SplitFault split;
    if (auto it = config_.splits.find(command); it != config_.splits.end()) {
        split = it->second;
    }
    if (FireEntry(config_.splits, command, [](SplitFault& f) -> int& { return f.times; })) {
        queue.Push(reply, split.atByte);
        return;
    }
    queue.Push(reply);
}

}  // namespace corvane::sim
