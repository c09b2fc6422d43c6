// Options of a command: "--name VALUE" (or "-o VALUE") options, flags and
// positional arguments, in any order.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli/CliCommand.h"

namespace corvane::cli {

struct ParsedOptions {
    std::vector<std::string_view> positionals;
    std::map<std::string_view, std::string_view> values;
    std::set<std::string_view> flags;
    // Every value of a repeatable option, in the order given.
    std::map<std::string_view, std::vector<std::string_view>> repeated;

    std::optional<std::string_view> Value(std::string_view name) const;
    bool Flag(std::string_view name) const { return flags.count(name) != 0; }
};

// Parses the arguments; on an unknown or repeated option or a missing value
// it puts the reason into error and returns false.
bool ParseOptions(const CliArguments& arguments,
                  std::initializer_list<std::string_view> valueOptions,
                  std::initializer_list<std::string_view> flagOptions, ParsedOptions& parsed,
                  std::string& error,
                  std::initializer_list<std::string_view> repeatableOptions = {});

// A count or offset: decimal, or hexadecimal with 0x. False on anything else.
bool ParseCount(std::string_view text, uint64_t& value);

// Reports bad usage of the named command with its usage text on stderr and
// returns the exit status for it.
int BadUsage(const CliStreams& streams, const char* commandName, const std::string& reason);

}  // namespace corvane::cli
