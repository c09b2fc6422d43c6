// corvane-cli convert: the conversion a download makes of a firmware file,
// against a given platform identifier and partition descriptor.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/Commands.h"
#include "app/cli/Options.h"
#include "app/engine/EngineContext.h"
#include "app/engine/PartitionDescriptor.h"
#include "app/files/FirmwareImage.h"

namespace corvane::cli {

namespace {

constexpr const char* kName = "convert";

const char* ResultMeaning(int result) {
    switch (result) {
        case kConvertFormatError:
            return "Invalid or corrupt hex file! (a malformed line, an unhandled record type or "
                   "an address beyond the flash)";
        case kConvertPlatformMismatch:
            return "File and Projector Do Not Match";
        case kConvertNoStagedImage:
            return "the staged image could not be created or written";
        default:
            return "conversion failed";
    }
}

// What the staged image holds, counted as it streams past: data blocks up to
// the first block that is not one (the end block).
class StagedSummary {
public:
    void Take(const uint8_t* bytes, size_t n) {
        for (size_t i = 0; i < n && !ended_;) {
            if (skip_ > 0) {
                const size_t skipped = std::min(skip_, n - i);
                skip_ -= skipped;
                i += skipped;
                continue;
            }
            header_[headerFill_++] = bytes[i++];
            if (headerFill_ < kBlockHeaderSize) {
                continue;
            }
            headerFill_ = 0;
            if (header_[0] != 0x00) {
                ended_ = true;
                break;
            }
            ++blocks_;
            dataBytes_ += header_[5];
            skip_ = header_[5];
        }
        total_ += n;
    }

    void Print(FILE* out) const {
        std::fprintf(out, "staged image: %zu bytes, %zu data block%s with %zu data bytes\n", total_,
                     blocks_, blocks_ == 1 ? "" : "s", dataBytes_);
    }

private:
    uint8_t header_[kBlockHeaderSize] = {};
    size_t headerFill_ = 0;
    size_t skip_ = 0;
    bool ended_ = false;
    size_t total_ = 0;
    size_t blocks_ = 0;
    size_t dataBytes_ = 0;
};

// Streams the staged image into the summary and, when given, the output file
// (a chunk at a time: the image is as large as the flash).
enum class CopyResult { Done, ReadFailed, WriteFailed };

CopyResult CopyStagedImage(FILE* image, StagedSummary& summary, FILE* output) {
    if (image == nullptr || std::fseek(image, 0, SEEK_SET) != 0) {
        return CopyResult::ReadFailed;
    }
    std::vector<uint8_t> chunk(64 * 1024);
    size_t got;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), image)) > 0) {
        summary.Take(chunk.data(), got);
        if (output != nullptr && std::fwrite(chunk.data(), 1, got, output) != got) {
            return CopyResult::WriteFailed;
        }
    }
    return std::ferror(image) ? CopyResult::ReadFailed : CopyResult::Done;
}

struct ConvertRequest {
    std::string file;
    std::string platform = "UNKNOWN";
    bool matchHardware = true;
    PartitionTable partitions;
    std::optional<std::string> stagedPath;
};

// Fills the request from the arguments; an error text when they do not make one.
std::string ReadRequest(const CliArguments& arguments, ConvertRequest& request) {
    ParsedOptions options;
    std::string error;
    if (!ParseOptions(arguments, {"--platform", "--partitions", "-o"}, {"--no-hw-match"}, options,
                      error)) {
        return error;
    }
    if (options.positionals.size() != 1) {
        return "expects exactly one FILE";
    }
    request.file = options.positionals[0];
    request.matchHardware = !options.Flag("--no-hw-match");
    if (const auto platform = options.Value("--platform")) {
        if (platform->size() > kPlatformIdChars) {
            return "the platform identifier has at most 10 characters";
        }
        request.platform = *platform;
    } else if (request.matchHardware) {
        return "--platform ID is required unless --no-hw-match is given";
    }
    const auto descriptor = options.Value("--partitions");
    if (!descriptor) {
        return "--partitions DESCRIPTOR is required";
    }
    if (ParsePartitionDescriptor(std::string(*descriptor).c_str(), request.partitions) !=
        kDescriptorDone) {
        return "malformed partition descriptor '" + std::string(*descriptor) +
               "' (count,flash size,start 0,...,start n-1 with hexadecimal sizes; at most 64 "
               "partitions)";
    }
    if (const auto staged = options.Value("-o")) {
        request.stagedPath = std::string(*staged);
    }
    return {};
}

int Report(const ConvertRequest& request, EngineContext& ctx, int result,
           const CliStreams& streams) {
    if (result < 0) {
        std::fprintf(streams.out, "result: %d (%s)\n", result, ResultMeaning(result));
        if (request.stagedPath) {
            std::fprintf(streams.err, "corvane-cli convert: no staged image written\n");
        }
        return kExitFailure;
    }
    std::fprintf(streams.out, "result: %d (%s)\n", result,
                 result == 0 ? "no partition marked: nothing to program" : "partitions marked");
    std::fprintf(streams.out, "marked partitions:");
    for (int i = 0; i < ctx.partitions.count; ++i) {
        if (ctx.partitionFlags.flag[i] != 0) {
            std::fprintf(streams.out, " %d", i);
        }
    }
    std::fprintf(streams.out, result == 0 ? " none\n" : "\n");
    FILE* output = nullptr;
    if (request.stagedPath && (output = std::fopen(request.stagedPath->c_str(), "wb")) == nullptr) {
        std::fprintf(streams.err, "corvane-cli convert: cannot write %s: %s\n",
                     request.stagedPath->c_str(), std::strerror(errno));
        return kExitFailure;
    }
    StagedSummary summary;
    CopyResult copied = CopyStagedImage(ctx.devices[0].stagedImage, summary, output);
    if (output != nullptr && std::fclose(output) != 0 && copied == CopyResult::Done) {
        copied = CopyResult::WriteFailed;
    }
    if (copied == CopyResult::WriteFailed) {
        std::fprintf(streams.err, "corvane-cli convert: cannot write %s: %s\n",
                     request.stagedPath->c_str(), std::strerror(errno));
        return kExitFailure;
    }
    if (copied == CopyResult::ReadFailed) {
        std::fprintf(streams.err, "corvane-cli convert: cannot read the staged image\n");
        return kExitFailure;
    }
    summary.Print(streams.out);
    return kExitSuccess;
}

}  // namespace

int RunConvertCommand(const CliArguments& arguments, const CliStreams& streams) {
    ConvertRequest request;
    if (const std::string error = ReadRequest(arguments, request); !error.empty()) {
        return BadUsage(streams, kName, error);
    }
    FILE* source = std::fopen(request.file.c_str(), "rb");
    if (source == nullptr) {
        std::fprintf(streams.err, "corvane-cli convert: Error Opening File %s: %s\n",
                     request.file.c_str(), std::strerror(errno));
        return kExitFailure;
    }
    MainWindowRecord window;
    window.MatchFilesToHardware = request.matchHardware ? 1 : 0;
    std::snprintf(window.platformId, sizeof window.platformId, "%s", request.platform.c_str());
    auto ctx = std::make_unique<EngineContext>();
    ctx->mainWindow = &window;
    ctx->partitions = request.partitions;

    const int result = ConvertFirmwareImage(*ctx, 0, source, ctx->partitionFlags);
    std::fclose(source);
    const int status = Report(request, *ctx, result, streams);
    if (ctx->devices[0].stagedImage != nullptr) {
        std::fclose(ctx->devices[0].stagedImage);
        ctx->devices[0].stagedImage = nullptr;
    }
    return status;
}

}  // namespace corvane::cli
