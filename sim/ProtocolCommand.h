// The commands of the projector's download protocol as the device recognises
// them in its input stream, and their short names (used to aim injected
// faults at a command, in tests and on the command line).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::sim {

inline constexpr uint8_t kAck = 0x06;
inline constexpr uint8_t kNak = 0x15;  // every negative reply
inline constexpr uint8_t kCr = 0x0D;

enum class Command : uint8_t {
    Sync,            // "Sync\r"                  name "Sync"
    Platform,        // "P" right after the sync   "P"
    GetNumber,       // "G"                        "G"
    GetPart,         // "P" after "G"              "GP"
    GetSerial,       // "S" after "G"              "GS"
    Identify,        // "I"                        "I"
    Partitions,      // "B"                        "B"
    ClearNvram,      // "C"                        "C"
    SetNumber,       // "S"                        "S"
    SetPart,         // "P<pn>\r" after "S"        "SP"
    SetSerial,       // "S<sn>\r" after "S"        "SS"
    Erase,           // "E"                        "E"
    ErasePartition,  // "BE%08lX\r" after "E"      "BE"
    EraseEnd,        // lone "\r" after "E"        "CR"
    Program,         // "F"                        "F"
    Block,           // data block (type 0)        "block"
    EndBlock,        // end block (type 1)         "end"
    Exit,            // "X"                        "X"
    Verify,          // "V"                        "V"
    VerifyRange,     // "%08lX%08lX\r" after "V"   "VR"
    Restart,         // "R"                        "R"
    Unexpected,      // a byte the device does not understand where it stands
};

std::string_view CommandName(Command command);
std::optional<Command> CommandFromName(std::string_view name);

// One command taken from the input stream, with its arguments.
struct ParsedCommand {
    Command command = Command::Unexpected;
    bool wellFormed = true;           // false: bad digits, wrong length, unknown text
    std::string text;                 // SetPart / SetSerial: the number
    uint32_t address = 0;             // ErasePartition, blocks; VerifyRange: first
    uint32_t address2 = 0;            // VerifyRange: second
    std::vector<uint8_t> data;        // blocks
    bool outsideProgramming = false;  // a block that arrived without "F"
};

}  // namespace corvane::sim
