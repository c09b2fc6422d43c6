// What a device command tells its user: the window's changes as they happen
// (status line, progress, message boxes), the engine's errors, and a summary
// at the end. Two forms: text for people (TextPrinter) and one JSON object
// per line for programs (JsonPrinter).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/CliCommand.h"
#include "app/cli/TextWindow.h"

namespace corvane::cli {

struct PartitionSpan {
    uint32_t start = 0;
    uint32_t end = 0;  // exclusive
};

struct OperationSummary {
    std::string operation;  // "info", "download", "verify", "program-ids", "clear-nvram"
    bool ok = false;
    std::optional<uint32_t> errorCode;  // the engine's error code, when it reported one
    std::string errorText;              // empty when ok
    std::string platform;
    std::string partNumber;
    std::string serialNumber;
    std::vector<PartitionSpan> partitions;
    std::vector<std::string> files;
    uint64_t bytesSent = 0;
    double seconds = 0;
};

class EventPrinter : public WindowEvents {
public:
    // The size of the staged image the progress bar now counts (0: unknown).
    virtual void ProgressScale(uint64_t totalBytes) = 0;
    // An error code the download thread reported, before its message box.
    virtual void EngineError(uint32_t code, const std::string& text) = 0;
    // A remark of the terminal itself ("waiting for a projector ...").
    virtual void Note(const std::string& text) = 0;
    virtual void Summary(const OperationSummary& summary) = 0;
};

struct PrinterOptions {
    bool quiet = false;
    bool verbose = false;
    bool terminal = false;  // stdout is a terminal: a live progress bar
};

std::unique_ptr<EventPrinter> MakeTextPrinter(const CliStreams& streams, PrinterOptions options);
std::unique_ptr<EventPrinter> MakeJsonPrinter(const CliStreams& streams);

// A JSON string literal for text (quotes included).
std::string JsonString(const std::string& text);

}  // namespace corvane::cli
