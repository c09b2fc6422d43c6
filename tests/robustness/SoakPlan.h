// One soak session drawn from a seeded generator: the operation the user
// starts, a fault of the virtual projector, and what happens on the way (an
// unplug or a Stop after a random number of the main window's messages).
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "sim/FaultConfig.h"

namespace corvane::robustness {

enum class Operation { Download, DownloadVerified, Verify, ProgramIds, ClearNvram, kCount };
enum class FaultKind {
    None,
    Refuse,
    Split,
    ZeroLengthPacket,
    LongReply,
    Silence,
    UnplugAt,
    UnplugAfterBlocks,
    WrongChecksum,
    BadPartitions,
    kCount
};
enum class Disruption { None, Stop, Unplug, kCount };

struct SoakPlan {
    Operation operation = Operation::Download;
    FaultKind faultKind = FaultKind::None;
    sim::FaultConfig faults;
    std::string faultText;  // what the fault is, for the session's description
    Disruption disruption = Disruption::None;
    int disruptAfterMessages = 0;
    bool verifyFileMatches = true;  // Verify: the file holds what the flash holds
    uint8_t seed = 0;               // pattern of the downloaded data
};

SoakPlan DrawPlan(std::mt19937& random);

const char* Name(Operation operation);
const char* Name(FaultKind kind);
const char* Name(Disruption disruption);
std::string Describe(const SoakPlan& plan);

}  // namespace corvane::robustness
