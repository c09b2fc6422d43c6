#include "app/cli/CommandLine.h"

#include "app/cli/Commands.h"

namespace corvane::cli {

namespace {

bool IsHelp(std::string_view argument) {
    return argument == "--help" || argument == "-h";
}

// Options of any command that take a value (the value may look like a name).
bool TakesValue(std::string_view argument) {
    for (std::string_view option :
         {"--settings", "--timeout", "--sim-platform", "--sim-partitions", "--sim-part-number",
          "--sim-serial-number", "--sim-dump-flash", "--sim-fault", "--pn", "--sn", "--platform",
          "--partitions", "-o", "--offset", "--length"}) {
        if (argument == option) {
            return true;
        }
    }
    return false;
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
        if (command->sharedDetails != nullptr) {
            std::fprintf(stream, "%s", command->sharedDetails);
        }
        return;
    }
    std::fprintf(stream, "usage: corvane-cli COMMAND [ARGUMENTS]\n       corvane-cli --help\n\n");
    std::fprintf(stream, "commands (corvane-cli COMMAND --help tells more):\n");
    for (const CliCommand& each : AllCommands()) {
        std::fprintf(stream, "  %s %s\n      %s\n", each.name, each.synopsis, each.summary);
    }
}

int RunCommandLine(int argc, const char* const* argv, const CliStreams& streams) {
    // Options may come before the command: the command is the first argument
    // that is neither an option nor an option's value.
    int commandAt = 0;
    bool help = false;
    for (int i = 1; i < argc && commandAt == 0; ++i) {
        const std::string_view argument = argv[i];
        if (IsHelp(argument)) {
            help = true;
        } else if (TakesValue(argument)) {
            ++i;
        } else if (argument.size() < 2 || argument[0] != '-') {
            commandAt = i;
        }
    }
    if (commandAt == 0) {
        PrintUsage(help ? streams.out : streams.err, nullptr);
        return help ? kExitSuccess : kExitBadUsage;
    }
    const CliCommand* command = FindCommand(argv[commandAt]);
    if (command == nullptr) {
        std::fprintf(streams.err, "corvane-cli: unknown command '%s'\n\n", argv[commandAt]);
        PrintUsage(streams.err, nullptr);
        return kExitBadUsage;
    }
    CliArguments arguments;
    for (int i = 1; i < argc; ++i) {
        if (IsHelp(argv[i])) {
            help = true;
        } else if (i != commandAt) {
            arguments.emplace_back(argv[i]);
        }
    }
    if (help) {
        PrintUsage(streams.out, command);
        return kExitSuccess;
    }
    return command->run(arguments, streams);
}

}  // namespace corvane::cli
