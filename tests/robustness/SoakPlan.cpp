#include "tests/robustness/SoakPlan.h"

#include <vector>

namespace corvane::robustness {

namespace {

using sim::Command;

// The commands an operation sends, where a fault can strike.
std::vector<Command> CommandsOf(Operation operation) {
    switch (operation) {
        case Operation::Download:
            return {Command::Erase, Command::ErasePartition, Command::EraseEnd, Command::Program,
                    Command::Block, Command::EndBlock,       Command::Exit,     Command::Restart};
        case Operation::DownloadVerified:
            return {Command::Erase,  Command::ErasePartition, Command::Program,
                    Command::Block,  Command::EndBlock,       Command::Exit,
                    Command::Verify, Command::VerifyRange};
        case Operation::Verify:
            return {Command::Verify, Command::VerifyRange};
        case Operation::ProgramIds:
            return {Command::SetNumber, Command::SetPart,   Command::SetSerial,
                    Command::GetNumber, Command::GetPart,   Command::GetSerial,
                    Command::Identify,  Command::Partitions};
        default:
            return {Command::ClearNvram};
    }
}

template <typename T>
T Pick(std::mt19937& random, T count) {
    return static_cast<T>(
        std::uniform_int_distribution<int>(0, static_cast<int>(count) - 1)(random));
}

int Between(std::mt19937& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

}  // namespace

SoakPlan DrawPlan(std::mt19937& random) {
    SoakPlan plan;
    plan.operation = Pick(random, Operation::kCount);
    plan.faultKind = Pick(random, FaultKind::kCount);
    plan.disruption = Pick(random, Disruption::kCount);
    plan.disruptAfterMessages = Between(random, 0, 40);
    plan.verifyFileMatches = Between(random, 0, 1) == 1;
    plan.seed = static_cast<uint8_t>(Between(random, 1, 250));

    const std::vector<Command> commands = CommandsOf(plan.operation);
    const Command command =
        commands[static_cast<size_t>(Between(random, 0, static_cast<int>(commands.size()) - 1))];
    const std::string name(sim::CommandName(command));
    switch (plan.faultKind) {
        case FaultKind::None:
            break;
        case FaultKind::Refuse: {
            const int times = Between(random, 1, 7);
            plan.faults.Refuse(command, times);
            plan.faultText = name + " refused x" + std::to_string(times);
            break;
        }
        case FaultKind::Split: {
            const size_t at = static_cast<size_t>(Between(random, 0, 3));
            plan.faults.Split(command, at, Between(random, 1, 3));
            plan.faultText = name + " split at " + std::to_string(at);
            break;
        }
        case FaultKind::ZeroLengthPacket:
            plan.faults.ZeroLengthPacket(command);
            plan.faultText = "zero-length packet before " + name;
            break;
        case FaultKind::LongReply:
            plan.faults.LongReply(command, static_cast<size_t>(Between(random, 65, 1200)));
            plan.faultText = "long reply to " + name;
            break;
        case FaultKind::Silence:
            plan.faults.SilenceAt(command);
            plan.faultText = "silent from " + name;
            // A silent projector is only left by Stop or the cable.
            if (plan.disruption == Disruption::None) {
                plan.disruption = Disruption::Stop;
            }
            break;
        case FaultKind::UnplugAt:
            plan.faults.UnplugAt(command);
            plan.faultText = "unplugged at " + name;
            break;
        case FaultKind::UnplugAfterBlocks: {
            const int blocks = Between(random, 1, 12);
            plan.faults.UnplugAfterBlocks(blocks);
            plan.faultText = "unplugged at block " + std::to_string(blocks);
            break;
        }
        case FaultKind::WrongChecksum:
            plan.faults.WrongChecksums(1);
            plan.faultText = "wrong checksum";
            break;
        case FaultKind::BadPartitions: {
            static const char* const kReplies[] = {"",
                                                   "3,30000",
                                                   "300,30000,0",
                                                   "2,30000,0",
                                                   "5,30000,2C000,28000,20000,10000,0",
                                                   "1,FFFFFFFFFF,0"};
            const size_t which = static_cast<size_t>(Between(random, 0, 5));
            plan.faults.PartitionReply(kReplies[which]);
            plan.faultText = std::string("partitions \"") + kReplies[which] + "\"";
            break;
        }
        case FaultKind::kCount:
            break;
    }
    return plan;
}

const char* Name(Operation operation) {
    static const char* const kNames[] = {"download", "download+verify", "verify", "program-ids",
                                         "clear-nvram"};
    return kNames[static_cast<int>(operation)];
}

const char* Name(FaultKind kind) {
    static const char* const kNames[] = {
        "none",           "refuse",        "split",     "zero-length",
        "long-reply",     "silence",       "unplug-at", "unplug-after-blocks",
        "wrong-checksum", "bad-partitions"};
    return kNames[static_cast<int>(kind)];
}

const char* Name(Disruption disruption) {
    static const char* const kNames[] = {"none", "stop", "unplug"};
    return kNames[static_cast<int>(disruption)];
}

std::string Describe(const SoakPlan& plan) {
    std::string text = std::string(Name(plan.operation)) + ", fault " + Name(plan.faultKind);
    if (!plan.faultText.empty()) {
        text += " (" + plan.faultText + ")";
    }
    text += ", " + std::string(Name(plan.disruption));
    if (plan.disruption != Disruption::None) {
        text += " after " + std::to_string(plan.disruptAfterMessages) + " messages";
    }
    if (plan.operation == Operation::Verify) {
        text += plan.verifyFileMatches ? ", file matches flash" : ", file differs from flash";
    }
    return text;
}

}  // namespace corvane::robustness
