// One pass over a firmware file: every line is a record, dispatched on its
// first character.
#include <cstring>

#include "app/files/FirmwareImage.h"
#include "app/files/ImageConversion.h"

namespace corvane {

namespace {

int ConvertRecords(ConversionState& state, FILE* source) {
    std::rewind(source);
    RecordLineReader reader(source);
    RecordLine line;
    while (reader.Next(line)) {
        int result = kConvertFormatError;  // blank lines and leading white space included
        if (line.text[0] == ':') {
            result = ConvertIntelHexRecord(state, line);
        } else if (line.text[0] == 'S') {
            result = ConvertSRecord(state, line);
        }
        if (result != 0) {
            return result;
        }
    }
    if (std::ferror(source)) {
        return kConvertFormatError;
    }
    if (state.matchHardware && !state.identificationSeen) {
        return kConvertPlatformMismatch;
    }
    return 0;
}

}  // namespace

int ConvertFirmwareImage(EngineContext& ctx, uint8_t slot, FILE* source, PartitionFlags& flags) {
    if (slot >= kDeviceSlots) {
        return kConvertNoStagedImage;
    }
    if (source == nullptr) {
        return kConvertFormatError;
    }
    DeviceRecord& record = ctx.devices[slot];
    // Without a main window the check runs as for a projector that has not
    // answered: on, against "UNKNOWN".
    const MainWindowRecord* mainWindow = ctx.mainWindow;
    ConversionState state{ctx, slot, flags,
                          mainWindow == nullptr || mainWindow->MatchFilesToHardware != 0};
    // The identifier field is copied within its bounds, terminated or not
    // (the destination starts zeroed, so it stays terminated).
    const char* platform = mainWindow != nullptr ? mainWindow->platformId : "UNKNOWN";
    for (size_t i = 0; i < kPlatformTextChars && platform[i] != '\0'; ++i) {
        state.projectorPlatform[i] = platform[i];
    }
    MeasurePartitions(state);
    const int partitions = PartitionsInUse(ctx.partitions);
    for (int i = 0; i < partitions; ++i) {
        flags.flag[i] = 0;
    }
    // A block left open by an earlier, failed conversion belongs to no file.
    record.openBlock.fill = 0;
    record.openBlock.nextAddress = 0;
    if (record.stagedImage != nullptr) {
        std::fclose(record.stagedImage);
    }
    record.stagedImage = std::tmpfile();
    if (record.stagedImage == nullptr) {
        return kConvertNoStagedImage;
    }

    if (const int result = ConvertRecords(state, source); result != 0) {
        return result;
    }
    // A file without an end-of-file record keeps the data of its last block.
    if (!FlushImageBlock(ctx, slot) || !WriteEndBlock(record.stagedImage) ||
        std::fflush(record.stagedImage) != 0) {
        return kConvertNoStagedImage;
    }
    int marked = 0;
    for (int i = 0; i < partitions; ++i) {
        marked += flags.flag[i] != 0 ? 1 : 0;
    }
    return marked;
}

}  // namespace corvane
