// corvane-cli info, download, verify, program-ids and clear-nvram: each
// reads its arguments and hands an operation to the device session.
#include "app/cli/Commands.h"
#include "app/cli/DeviceSession.h"
#include "app/cli/FileArguments.h"
#include "app/cli/Options.h"
#include "app/ui/MainWindowRecord.h"

namespace corvane::cli {

namespace {

bool IsPrintable(const std::string& text) {
    for (const char c : text) {
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    return true;
}

// A number the projector will take: 1 to `most` printable ASCII characters.
std::string CheckNumber(const char* what, const std::optional<std::string>& number, size_t most) {
    if (number && (number->empty() || number->size() > most || !IsPrintable(*number))) {
        return std::string(what) + " takes 1 to " + std::to_string(most) +
               " printable ASCII characters";
    }
    return {};
}

int RunFileOperation(OperationKind kind, const char* name, const CliArguments& arguments,
                     const CliStreams& streams) {
    DeviceOptions options;
    if (std::string error = ReadDeviceOptions(arguments, false, options); !error.empty()) {
        return BadUsage(streams, name, error);
    }
    OperationRequest request;
    request.kind = kind;
    if (!options.positionals.empty()) {
        OpenFileResult files;
        if (std::string error = ChooseFiles(options.positionals, files); !error.empty()) {
            return BadUsage(streams, name, error);
        }
        request.selection = std::move(files);
    }
    return RunDeviceOperation(options, std::move(request), streams);
}

int RunPlainOperation(OperationKind kind, const char* name, const CliArguments& arguments,
                      const CliStreams& streams) {
    DeviceOptions options;
    if (std::string error = ReadDeviceOptions(arguments, false, options); !error.empty()) {
        return BadUsage(streams, name, error);
    }
    if (!options.positionals.empty()) {
        return BadUsage(streams, name, "takes no arguments");
    }
    OperationRequest request;
    request.kind = kind;
    return RunDeviceOperation(options, std::move(request), streams);
}

}  // namespace

int RunInfoCommand(const CliArguments& arguments, const CliStreams& streams) {
    return RunPlainOperation(OperationKind::Info, "info", arguments, streams);
}

int RunDownloadCommand(const CliArguments& arguments, const CliStreams& streams) {
    return RunFileOperation(OperationKind::Download, "download", arguments, streams);
}

int RunVerifyCommand(const CliArguments& arguments, const CliStreams& streams) {
    return RunFileOperation(OperationKind::Verify, "verify", arguments, streams);
}

int RunClearNvramCommand(const CliArguments& arguments, const CliStreams& streams) {
    return RunPlainOperation(OperationKind::ClearNvram, "clear-nvram", arguments, streams);
}

int RunProgramIdsCommand(const CliArguments& arguments, const CliStreams& streams) {
    constexpr const char* kName = "program-ids";
    DeviceOptions options;
    if (std::string error = ReadDeviceOptions(arguments, true, options); !error.empty()) {
        return BadUsage(streams, kName, error);
    }
    if (!options.positionals.empty()) {
        return BadUsage(streams, kName, "takes no arguments besides --pn and --sn");
    }
    if (!options.newPartNumber && !options.newSerialNumber) {
        return BadUsage(streams, kName, "needs --pn PN, --sn SN or both");
    }
    for (const std::string& error :
         {CheckNumber("--pn", options.newPartNumber, kPartNumberChars),
          CheckNumber("--sn", options.newSerialNumber, kSerialNumberChars)}) {
        if (!error.empty()) {
            return BadUsage(streams, kName, error);
        }
    }
    OperationRequest request;
    request.kind = OperationKind::ProgramIds;
    request.newPartNumber = options.newPartNumber;
    request.newSerialNumber = options.newSerialNumber;
    return RunDeviceOperation(options, std::move(request), streams);
}

}  // namespace corvane::cli
