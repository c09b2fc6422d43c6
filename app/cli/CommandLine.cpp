#include "app/cli/CommandLine.h"

#include "app/cli/Commands.h"

namespace corvane::cli {

namespace {

bool IsHelp(std::string_view argument) {
    return argument == "--help" || argument == "-h";
}

const CliCommand* FindCommand(std::string_view name) {
    for (const CliCommand& command : AllCommands()) {
        if (name == command.name) {
            return &command;
        }
    }
    return nullptr;
}

}  // namespace

void PrintUsage(FILE* stream, const CliCommand* command) {
    if (command != nullptr) {
        std::fprintf(stream, "usage: corvane-cli %s %s\n%s\n%s", command->name, command->synopsis,
                     command->summary, command->details);
        return;
    }
    std::fprintf(stream, "usage: corvane-cli COMMAND [ARGUMENTS]\n       corvane-cli --help\n\n");
    std::fprintf(stream, "commands (corvane-cli COMMAND --help tells more):\n");
    for (const CliCommand& each : AllCommands()) {
        std::fprintf(stream, "  %s %s\n      %s\n", each.name, each.synopsis, each.summary);
    }
}

int RunCommandLine(int argc, const char* const* argv, const CliStreams& streams) {
    if (argc < 2) {
        PrintUsage(streams.err, nullptr);
        return kExitBadUsage;
    }
    if (IsHelp(argv[1])) {
        PrintUsage(streams.out, nullptr);
        return kExitSuccess;
    }
    const CliCommand* command = FindCommand(argv[1]);
    if (command == nullptr) {
        std::fprintf(streams.err, "corvane-cli: unknown command '%s'\n\n", argv[1]);
        PrintUsage(streams.err, nullptr);
        return kExitBadUsage;
    }
    CliArguments arguments;
    for (int i = 2; i < argc; ++i) {
        if (IsHelp(argv[i])) {
            PrintUsage(streams.out, command);
            return kExitSuccess;
        }
        arguments.emplace_back(argv[i]);
    }
    return command->run(arguments, streams);
}

}  // namespace corvane::cli
