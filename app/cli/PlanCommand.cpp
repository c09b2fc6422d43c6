// corvane-cli plan: an offline pre-flight of a download. Each file goes
// through the download's own conversion for the given platform and flash
// layout; the plan shows what the download would do with it and warns about
// what the download does not check. Bad record checksums are reported with
// what the download does about them.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli/Commands.h"
#include "app/cli/EventPrinter.h"
#include "app/cli/Options.h"
#include "app/cli/RecordChecksums.h"
#include "app/cli/StagedImages.h"
#include "app/engine/PartitionDescriptor.h"
#include "app/engine/StagedImageChecksum.h"
#include "app/files/FirmwareImage.h"
#include "app/ui/MainWindowRecord.h"

namespace corvane::cli {

namespace {

constexpr const char* kName = "plan";

struct PlanRequest {
    std::vector<std::string> files;
    std::string platform = "UNKNOWN";
    bool matchHardware = true;
    bool json = false;
    PartitionTable partitions;
};

struct VerifyRange {
    uint32_t start = 0;
    uint32_t end = 0;
    uint16_t crc = 0;
};

struct FilePlan {
    std::string file;
    int result = 0;
    std::vector<int> erase;
    size_t blocks = 0;   // data blocks, the end block not counted
    uint64_t bytes = 0;  // sent: every block with its header, the end block included
    uint64_t dataBytes = 0;
    uint32_t first = 0;
    uint32_t last = 0;  // inclusive; first > last when there is no data
    std::vector<VerifyRange> verify;
    std::vector<std::string> warnings;
};

std::string ReadRequest(const CliArguments& arguments, PlanRequest& request) {
    ParsedOptions options;
    std::string error;
    if (!ParseOptions(arguments, {"--platform", "--partitions"}, {"--no-hw-match", "--json"},
                      options, error)) {
        return error;
    }
    if (options.positionals.empty()) {
        return "expects at least one FILE";
    }
    for (std::string_view file : options.positionals) {
        request.files.emplace_back(file);
    }
    request.matchHardware = !options.Flag("--no-hw-match");
    request.json = options.Flag("--json");
    if (const auto platform = options.Value("--platform")) {
        if (platform->size() > kPlatformIdChars) {
            return "the platform identifier has at most 10 characters";
        }
        request.platform = *platform;
    } else if (request.matchHardware) {
        return "--platform ID is required unless --no-hw-match is given";
    }
    const auto descriptor = options.Value("--partitions");
    if (!descriptor || ParsePartitionDescriptor(std::string(*descriptor).c_str(),
                                                request.partitions) != kDescriptorDone) {
        return "--partitions takes a partition descriptor such as 4,100000,0,10000,80000,F0000";
    }
    return {};
}

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%06" PRIX32, value);
    return text;
}

// Every data byte of a staged image, with its address.
template <typename Visit>
void ForEachDataByte(const std::vector<uint8_t>& image, Visit visit) {
    for (size_t at = 0; at + kBlockHeaderSize <= image.size() && image[at] == 0x00;
         at += kBlockHeaderSize + image[at + 5]) {
        const uint32_t address = image[at + 1] | image[at + 2] << 8 | image[at + 3] << 16 |
                                 static_cast<uint32_t>(image[at + 4]) << 24;
        for (size_t i = 0; i < image[at + 5] && at + kBlockHeaderSize + i < image.size(); ++i) {
            visit(address + static_cast<uint32_t>(i), image[at + kBlockHeaderSize + i]);
        }
    }
}

void MeasureBlocks(const std::vector<uint8_t>& image, FilePlan& plan) {
    plan.bytes = image.size();
    plan.first = UINT32_MAX;
    for (size_t at = 0; at + kBlockHeaderSize <= image.size() && image[at] == 0x00;
         at += kBlockHeaderSize + image[at + 5]) {
        ++plan.blocks;
    }
    ForEachDataByte(image, [&](uint32_t address, uint8_t) {
        ++plan.dataBytes;
        plan.first = std::min(plan.first, address);
        plan.last = std::max(plan.last, address);
    });
}

// The checksum the projector should answer for each run of partitions the
// file marks: the file's bytes over erased flash.
void ComputeVerifyRanges(const std::vector<uint8_t>& image, const PartitionTable& table,
                         FilePlan& plan) {
    for (size_t i = 0; i < plan.erase.size();) {
        size_t j = i;
        while (j + 1 < plan.erase.size() && plan.erase[j + 1] == plan.erase[j] + 1) {
            ++j;
        }
        VerifyRange range;
        range.start = table.start[plan.erase[i]];
        range.end =
            plan.erase[j] + 1 < table.count ? table.start[plan.erase[j] + 1] : table.flashSize;
        if (ComputeStagedImageChecksum(image.data(), image.size(), table.flashSize, range.start,
                                       range.end, range.crc)) {
            plan.verify.push_back(range);
        } else {
            plan.warnings.push_back("the verification of " + Hex(range.start) + "-" +
                                    Hex(range.end - 1) +
                                    " will fail: the staged image does not fit the flash");
        }
        i = j + 1;
    }
}

// Bytes written twice (in this file or by an earlier one) and bytes below the
// first partition, which no erase covers.
void CheckCoverage(const std::vector<uint8_t>& image, const PartitionTable& table, int index,
                   std::vector<uint8_t>& owner, FilePlan& plan) {
    size_t outside = 0, twice = 0, overwritten = 0;
    uint32_t outsideAt = 0, twiceAt = 0, overwrittenAt = 0;
    int overwrittenFile = 0;
    ForEachDataByte(image, [&](uint32_t address, uint8_t) {
        if (table.count > 0 && address < table.start[0] && outside++ == 0) {
            outsideAt = address;
        }
        if (address >= owner.size()) {
            return;
        }
        if (owner[address] == index + 1) {
            if (twice++ == 0) {
                twiceAt = address;
            }
        } else if (owner[address] != 0 && overwritten++ == 0) {
            overwrittenAt = address;
            overwrittenFile = owner[address];
        }
        owner[address] = static_cast<uint8_t>(index + 1);
    });
    if (outside > 0) {
        plan.warnings.push_back(std::to_string(outside) + " data bytes from " + Hex(outsideAt) +
                                " lie outside every partition");
    }
    if (twice > 0) {
        plan.warnings.push_back(std::to_string(twice) + " data bytes from " + Hex(twiceAt) +
                                " are given twice in this file");
    }
    if (overwritten > 0) {
        plan.warnings.push_back(std::to_string(overwritten) + " data bytes from " +
                                Hex(overwrittenAt) + " overlap file " +
                                std::to_string(overwrittenFile));
    }
}

const char* ResultText(int result) {
    switch (result) {
        case kConvertFormatError:
            return "Invalid or corrupt hex file!";
        case kConvertPlatformMismatch:
            return "File and Projector Do Not Match";
        case kConvertNoStagedImage:
            return "the staged image could not be created";
        default:
            return result == 0 ? "no partition marked: nothing to program" : "ok";
    }
}

void PrintText(FILE* out, int index, const FilePlan& plan) {
    std::fprintf(out, "file %d: %s\n  result: %d (%s)\n", index + 1, plan.file.c_str(), plan.result,
                 ResultText(plan.result));
    if (plan.result > 0) {
        std::fprintf(out, "  erase: partition%s", plan.erase.size() == 1 ? "" : "s");
        for (int partition : plan.erase) {
            std::fprintf(out, " %d", partition);
        }
        std::fprintf(out, "\n  send: %zu blocks, %" PRIu64 " bytes (%" PRIu64 " data bytes)\n",
                     plan.blocks, plan.bytes, plan.dataBytes);
        if (plan.dataBytes > 0) {
            std::fprintf(out, "  addresses: %s-%s\n", Hex(plan.first).c_str(),
                         Hex(plan.last).c_str());
        }
        for (const VerifyRange& range : plan.verify) {
            std::fprintf(out, "  verify: %s-%s CRC-16 %04X\n", Hex(range.start).c_str(),
                         Hex(range.end - 1).c_str(), range.crc);
        }
    }
    for (const std::string& warning : plan.warnings) {
        std::fprintf(out, "  warning: %s\n", warning.c_str());
    }
}

void PrintJson(FILE* out, const FilePlan& plan) {
    std::string line = "{\"event\":\"plan\",\"file\":" + JsonString(plan.file) +
                       ",\"result\":" + std::to_string(plan.result) +
                       ",\"resultText\":" + JsonString(ResultText(plan.result)) + ",\"erase\":[";
    for (size_t i = 0; i < plan.erase.size(); ++i) {
        line += i == 0 ? "" : ",";
        line += std::to_string(plan.erase[i]);
    }
    line += "],\"blocks\":" + std::to_string(plan.blocks) +
            ",\"bytes\":" + std::to_string(plan.bytes) +
            ",\"dataBytes\":" + std::to_string(plan.dataBytes);
    if (plan.dataBytes > 0) {
        line +=
            ",\"first\":" + std::to_string(plan.first) + ",\"last\":" + std::to_string(plan.last);
    }
    line += ",\"verify\":[";
    for (size_t i = 0; i < plan.verify.size(); ++i) {
        char range[96];
        std::snprintf(
            range, sizeof range, "%s{\"start\":%" PRIu32 ",\"end\":%" PRIu32 ",\"crc\":\"%04X\"}",
            i == 0 ? "" : ",", plan.verify[i].start, plan.verify[i].end, plan.verify[i].crc);
        line += range;
    }
    line += "],\"warnings\":[";
    for (size_t i = 0; i < plan.warnings.size(); ++i) {
        line += i == 0 ? "" : ",";
        line += JsonString(plan.warnings[i]);
    }
    std::fprintf(out, "%s]}\n", line.c_str());
}

}  // namespace

int RunPlanCommand(const CliArguments& arguments, const CliStreams& streams) {
    PlanRequest request;
    if (const std::string error = ReadRequest(arguments, request); !error.empty()) {
        return BadUsage(streams, kName, error);
    }
    if (request.files.size() > static_cast<size_t>(kMaxFiles)) {
        return BadUsage(streams, kName, "a download takes at most 8 files");
    }
    for (const std::string& file : request.files) {
        FILE* readable = std::fopen(file.c_str(), "r");
        if (readable == nullptr) {
            return BadUsage(streams, kName, "cannot open " + file);
        }
        std::fclose(readable);
    }
    std::vector<uint8_t> owner(request.partitions.flashSize, 0);
    bool allUsable = true;
    for (size_t i = 0; i < request.files.size(); ++i) {
        FilePlan plan;
        plan.file = request.files[i];
        const StagedImage staged = StageFile(plan.file, request.platform.c_str(),
                                             request.matchHardware, request.partitions, true);
        plan.result = staged.result;
        allUsable = allUsable && staged.result >= 0;
        if (staged.result >= 0) {
            plan.erase = staged.partitions;
            MeasureBlocks(staged.image, plan);
            ComputeVerifyRanges(staged.image, request.partitions, plan);
            CheckCoverage(staged.image, request.partitions, static_cast<int>(i), owner, plan);
        }
        for (const ChecksumWarning& bad : CheckRecordChecksums(plan.file)) {
            char text[128];
            std::snprintf(text, sizeof text,
                          bad.dataRecord
                              ? "line %d: data record checksum %02X, expected %02X: the "
                                "download refuses the file"
                              : "line %d: record checksum %02X, expected %02X: not a data "
                                "record, the download ignores it",
                          bad.line, bad.stored, bad.expected);
            plan.warnings.emplace_back(text);
        }
        if (request.json) {
            PrintJson(streams.out, plan);
        } else {
            PrintText(streams.out, static_cast<int>(i), plan);
        }
    }
    return allUsable ? kExitSuccess : kExitFailure;
}

}  // namespace corvane::cli
