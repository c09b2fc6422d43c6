// The image converter over arbitrary file bytes, partition tables and
// platform settings. Input: an 18-byte header, then the file.
//   [0]      bit 0: MatchFilesToHardware; bit 1: the projector has not
//            answered (no main window)
//   [1]      partition count (any byte: the table may claim more than 64)
//   [2..5]   flash size, little-endian
//   [6..7]   distance between partition starts in 16-byte units, little-endian
//   [8..17]  the projector's platform identifier (NUL-padded, maybe full)
// Checks: the result is a documented code; on success the flags marked equal
// the result, and the staged image is a run of well-formed blocks closed by
// exactly one end block, each data block inside the flash.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/engine/EngineContext.h"
#include "app/files/FirmwareImage.h"
#include "fuzz/FuzzCheck.h"

namespace {

using namespace corvane;

constexpr size_t kHeaderSize = 18;

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

std::vector<uint8_t> ReadAll(FILE* file) {
    std::vector<uint8_t> bytes;
    std::rewind(file);
    int c;
    while ((c = std::fgetc(file)) != EOF) {
        bytes.push_back(static_cast<uint8_t>(c));
    }
    return bytes;
}

void CheckStagedImage(const EngineContext& context, const std::vector<uint8_t>& image) {
    size_t at = 0;
    bool ended = false;
    while (at < image.size()) {
        FUZZ_CHECK(!ended);  // nothing after the end block
        FUZZ_CHECK(image.size() - at >= kBlockHeaderSize);
        const uint8_t type = image[at];
        const uint32_t address = Le32(&image[at + 1]);
        const uint8_t length = image[at + 5];
        if (type == 1) {
            FUZZ_CHECK(address == 0 && length == 0);
            ended = true;
            at += kBlockHeaderSize;
            continue;
        }
        FUZZ_CHECK(type == 0);
        FUZZ_CHECK(length >= 1 && length <= kBlockDataSize);
        FUZZ_CHECK(image.size() - at - kBlockHeaderSize >= length);
        // Only records whose every byte lies in the flash are staged.
        FUZZ_CHECK(static_cast<uint64_t>(address) + length <= context.partitions.flashSize);
        at += kBlockHeaderSize + length;
    }
    FUZZ_CHECK(ended);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kHeaderSize) {
        return 0;
    }
    EngineContext context;
    MainWindowRecord window;
    window.MatchFilesToHardware = data[0] & 1;
    context.mainWindow = (data[0] & 2) != 0 ? nullptr : &window;
    std::memcpy(window.platformId, data + 8, kPlatformIdChars);  // byte 10 stays NUL
    context.partitions.count = data[1];
    context.partitions.flashSize = Le32(data + 2);
    const uint32_t step =
        (static_cast<uint32_t>(data[6]) | static_cast<uint32_t>(data[7]) << 8) * 16;
    for (int i = 0; i < kMaxPartitions; ++i) {
        context.partitions.start[i] = static_cast<uint32_t>(i) * step;
    }

    FILE* source = fmemopen(const_cast<uint8_t*>(data + kHeaderSize), size - kHeaderSize, "r");
    if (source == nullptr) {
        return 0;  // fmemopen refuses an empty buffer
    }
    PartitionFlags flags;
    std::memset(flags.flag, 0xAA, sizeof(flags.flag));
    const int result = ConvertFirmwareImage(context, 0, source, flags);
    std::fclose(source);

    FUZZ_CHECK(result == kConvertFormatError || result == kConvertPlatformMismatch ||
               result == kConvertNoStagedImage || result >= 0);
    const int inUse =
        context.partitions.count < kMaxPartitions ? context.partitions.count : kMaxPartitions;
    if (result >= 0) {
        int marked = 0;
        for (int i = 0; i < inUse; ++i) {
            FUZZ_CHECK(flags.flag[i] == 0 || flags.flag[i] == 1);
            marked += flags.flag[i];
        }
        FUZZ_CHECK(marked == result);
        FUZZ_CHECK(context.devices[0].stagedImage != nullptr);
        CheckStagedImage(context, ReadAll(context.devices[0].stagedImage));
    }
    // Flags beyond the table are never touched.
    for (int i = inUse; i < kMaxPartitions; ++i) {
        FUZZ_CHECK(flags.flag[i] == 0xAA);
    }
    if (context.devices[0].stagedImage != nullptr) {
        std::fclose(context.devices[0].stagedImage);
        context.devices[0].stagedImage = nullptr;
    }
    return 0;
}
