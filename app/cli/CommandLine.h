// Dispatch of a command line to its command.
#pragma once

#include "app/cli/CliCommand.h"

namespace corvane::cli {

// Runs the command named by argv[1] and returns the process exit status.
int RunCommandLine(int argc, const char* const* argv, const CliStreams& streams);

// The usage text of one command, or of all commands when command is null.
void PrintUsage(FILE* stream, const CliCommand* command);

}  // namespace corvane::cli
