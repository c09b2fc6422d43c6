#include "app/cli/Options.h"

#include <algorithm>
#include <charconv>

#include "app/cli/CommandLine.h"
#include "app/cli/Commands.h"

namespace corvane::cli {

namespace {

bool Contains(std::initializer_list<std::string_view> names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

std::optional<std::string_view> ParsedOptions::Value(std::string_view name) const {
    const auto found = values.find(name);
    if (found == values.end()) {
        return std::nullopt;
    }
    return found->second;
}

bool ParseOptions(const CliArguments& arguments,
                  std::initializer_list<std::string_view> valueOptions,
                  std::initializer_list<std::string_view> flagOptions, ParsedOptions& parsed,
                  std::string& error, std::initializer_list<std::string_view> repeatableOptions) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument.size() < 2 || argument[0] != '-') {
            parsed.positionals.push_back(argument);  // "-" alone is a name too
            continue;
        }
        if (Contains(flagOptions, argument)) {
            if (!parsed.flags.insert(argument).second) {
                error = "option " + std::string(argument) + " given twice";
                return false;
            }
            continue;
        }
        if (Contains(repeatableOptions, argument)) {
            if (i + 1 == arguments.size()) {
                error = "option " + std::string(argument) + " needs a value";
                return false;
            }
            parsed.repeated[argument].push_back(arguments[++i]);
            continue;
        }
        if (!Contains(valueOptions, argument)) {
            error = "unknown option " + std::string(argument);
            return false;
        }
        if (i + 1 == arguments.size()) {
            error = "option " + std::string(argument) + " needs a value";
            return false;
        }
        if (!parsed.values.emplace(argument, arguments[++i]).second) {
            error = "option " + std::string(argument) + " given twice";
            return false;
        }
    }
    return true;
}

bool ParseCount(std::string_view text, uint64_t& value) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty()) {
        return false;
    }
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return status == std::errc() && end == text.data() + text.size();
}

int BadUsage(const CliStreams& streams, const char* commandName, const std::string& reason) {
    std::fprintf(streams.err, "corvane-cli %s: %s\n", commandName, reason.c_str());
    for (const CliCommand& command : AllCommands()) {
        if (std::string_view(command.name) == commandName) {
            PrintUsage(streams.err, &command);
        }
    }
    return kExitBadUsage;
}

}  // namespace corvane::cli
