// The commands the terminal front end offers.
#pragma once

#include <span>

#include "app/cli/CliCommand.h"

namespace corvane::cli {

int RunConvertCommand(const CliArguments& arguments, const CliStreams& streams);
int RunCrc16Command(const CliArguments& arguments, const CliStreams& streams);
int RunInfoCommand(const CliArguments& arguments, const CliStreams& streams);
int RunDownloadCommand(const CliArguments& arguments, const CliStreams& streams);
int RunVerifyCommand(const CliArguments& arguments, const CliStreams& streams);
int RunProgramIdsCommand(const CliArguments& arguments, const CliStreams& streams);
int RunClearNvramCommand(const CliArguments& arguments, const CliStreams& streams);
int RunListCommand(const CliArguments& arguments, const CliStreams& streams);
int RunPlanCommand(const CliArguments& arguments, const CliStreams& streams);

std::span<const CliCommand> AllCommands();

}  // namespace corvane::cli
