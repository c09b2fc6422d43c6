// corvane-cli crc16: the checksum the projector answers to "V", over a
// range of a file's bytes.
#include <cerrno>
#include <cstring>
#include <string>

#include "app/cli/Commands.h"
#include "app/cli/Options.h"
#include "app/engine/Crc16.h"

namespace corvane::cli {

namespace {

constexpr const char* kName = "crc16";

struct Crc16Request {
    std::string file;
    std::optional<std::string_view> offset;
    std::optional<std::string_view> length;
};

// The size of an open file; false when it cannot be measured.
bool FileSize(FILE* file, uint64_t& size) {
    if (std::fseek(file, 0, SEEK_END) != 0) {
        return false;
    }
    const long end = std::ftell(file);
    if (end < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        return false;
    }
    size = static_cast<uint64_t>(end);
    return true;
}

// Sums length bytes from offset; false on a read error or a short file.
bool SumRange(FILE* file, uint64_t offset, uint64_t length, uint16_t& crc) {
    if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0) {
        return false;
    }
    crc = 0;
    uint8_t chunk[65536];
    while (length > 0) {
        const size_t want = length < sizeof chunk ? static_cast<size_t>(length) : sizeof chunk;
        const size_t got = std::fread(chunk, 1, want, file);
        if (got != want) {
            return false;
        }
        crc = ComputeCrc16(chunk, got, crc);
        length -= got;
    }
    return true;
}

}  // namespace

int RunCrc16Command(const CliArguments& arguments, const CliStreams& streams) {
    ParsedOptions options;
    std::string error;
    if (!ParseOptions(arguments, {"--offset", "--length"}, {}, options, error)) {
        return BadUsage(streams, kName, error);
    }
    if (options.positionals.size() != 1) {
        return BadUsage(streams, kName, "expects exactly one FILE");
    }
    uint64_t offset = 0;
    uint64_t length = 0;
    const auto offsetText = options.Value("--offset");
    const auto lengthText = options.Value("--length");
    if (offsetText && !ParseCount(*offsetText, offset)) {
        return BadUsage(streams, kName, "--offset takes a decimal or 0x-prefixed number");
    }
    if (lengthText && !ParseCount(*lengthText, length)) {
        return BadUsage(streams, kName, "--length takes a decimal or 0x-prefixed number");
    }

    const std::string path(options.positionals[0]);
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        std::fprintf(streams.err, "corvane-cli crc16: cannot open %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return kExitFailure;
    }
    uint64_t size = 0;
    if (!FileSize(file, size)) {
        std::fclose(file);
        std::fprintf(streams.err, "corvane-cli crc16: cannot measure %s\n", path.c_str());
        return kExitFailure;
    }
    if (offset > size) {
        std::fclose(file);
        return BadUsage(streams, kName,
                        "offset " + std::to_string(offset) + " is beyond the file's " +
                            std::to_string(size) + " bytes");
    }
    if (!lengthText) {
        length = size - offset;
    } else if (length > size - offset) {
        std::fclose(file);
        return BadUsage(streams, kName,
                        "offset " + std::to_string(offset) + " and length " +
                            std::to_string(length) + " run past the file's " +
                            std::to_string(size) + " bytes");
    }
    uint16_t crc = 0;
    const bool read = SumRange(file, offset, length, crc);
    std::fclose(file);
    if (!read) {
        std::fprintf(streams.err, "corvane-cli crc16: cannot read %s\n", path.c_str());
        return kExitFailure;
    }
    std::fprintf(streams.out, "%04X\n", crc);
    return kExitSuccess;
}

}  // namespace corvane::cli
