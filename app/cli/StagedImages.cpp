#include "app/cli/StagedImages.h"

#include <cstdio>
#include <memory>

#include "app/engine/EngineContext.h"
#include "app/files/FirmwareImage.h"

namespace corvane::cli {

StagedImage StageFile(const std::string& path, const char* platformId, bool matchHardware,
                      const PartitionTable& partitions, bool keepImage) {
    StagedImage staged;
    FILE* source = std::fopen(path.c_str(), "rb");
    if (source == nullptr) {
        staged.result = kConvertFormatError;
        return staged;
    }
    MainWindowRecord window;
    window.MatchFilesToHardware = matchHardware ? 1 : 0;
    std::snprintf(window.platformId, sizeof window.platformId, "%s", platformId);
    auto ctx = std::make_unique<EngineContext>();
    ctx->mainWindow = &window;
    ctx->partitions = partitions;
    staged.result = ConvertFirmwareImage(*ctx, 0, source, ctx->partitionFlags);
    std::fclose(source);
    FILE*& image = ctx->devices[0].stagedImage;
    if (image != nullptr) {
        if (std::fseek(image, 0, SEEK_END) == 0) {
            const long end = std::ftell(image);
            staged.bytes = end > 0 ? static_cast<uint64_t>(end) : 0;
        }
        if (keepImage && std::fseek(image, 0, SEEK_SET) == 0) {
            staged.image.resize(staged.bytes);
            staged.image.resize(std::fread(staged.image.data(), 1, staged.image.size(), image));
        }
        std::fclose(image);
        image = nullptr;
    }
    for (int i = 0; i < partitions.count; ++i) {
        if (ctx->partitionFlags.flag[i] != 0) {
            staged.partitions.push_back(i);
        }
    }
    return staged;
}

}  // namespace corvane::cli
