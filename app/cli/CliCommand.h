// The commands of the terminal front end: each has a name, a one-line
// synopsis for the usage text and a function that runs it.
#pragma once

#include <cstdio>
#include <string_view>
#include <vector>

namespace corvane::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;   // the operation ran and failed
inline constexpr int kExitBadUsage = 2;  // the command line was not understood, or its files

struct CliStreams {
    FILE* out;
    FILE* err;
};

// The arguments after the command's name.
using CliArguments = std::vector<std::string_view>;

struct CliCommand {
    const char* name;
    const char* synopsis;  // arguments, as shown after "corvane-cli <name> "
    const char* summary;   // what the command does, one line
    const char* details;   // its arguments and exit status, for its own usage text
    int (*run)(const CliArguments& arguments, const CliStreams& streams);
    const char* sharedDetails = nullptr;  // options several commands share
};

}  // namespace corvane::cli
