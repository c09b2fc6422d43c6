#include "sim/ProtocolCommand.h"

#include <array>
#include <utility>

namespace corvane::sim {

namespace {

constexpr std::array<std::pair<Command, std::string_view>, 22> kNames = {{
    {Command::Sync, "Sync"},         {Command::Platform, "P"},
    {Command::GetNumber, "G"},       {Command::GetPart, "GP"},
    {Command::GetSerial, "GS"},      {Command::Identify, "I"},
    {Command::Partitions, "B"},      {Command::ClearNvram, "C"},
    {Command::SetNumber, "S"},       {Command::SetPart, "SP"},
    {Command::SetSerial, "SS"},      {Command::Erase, "E"},
    {Command::ErasePartition, "BE"}, {Command::EraseEnd, "CR"},
    {Command::Program, "F"},         {Command::Block, "block"},
    {Command::EndBlock, "end"},      {Command::Exit, "X"},
    {Command::Verify, "V"},          {Command::VerifyRange, "VR"},
    {Command::Restart, "R"},         {Command::Unexpected, "unexpected"},
}};

}  // namespace

std::string_view CommandName(Command command) {
    for (const auto& [value, name] : kNames) {
        if (value == command) {
            return name;
        }
    }
    return "unexpected";
}

std::optional<Command> CommandFromName(std::string_view name) {
    for (const auto& [value, text] : kNames) {
        if (text == name) {
            return value;
        }
    }
    return std::nullopt;
}

}  // namespace corvane::sim
