// The commands the terminal front end offers.
#pragma once

#include <span>

#include "app/cli/CliCommand.h"

namespace corvane::cli {

int RunConvertCommand(const CliArguments& arguments, const CliStreams& streams);
int RunCrc16Command(const CliArguments& arguments, const CliStreams& streams);

std::span<const CliCommand> AllCommands();

}  // namespace corvane::cli
