// The checks a conversion makes on the way: the platform a file is made for,
// the checksum and the flash address of its data.
#include <cstring>

#include "app/files/FirmwareImage.h"
#include "app/files/ImageConversion.h"
#include "app/files/RecordChecksum.h"

namespace corvane {

int CheckIdentification(ConversionState& state, const char* hexDigits, size_t dataBytes) {
    if (dataBytes > 0) {
        // A shorter identifier is padded with NUL, as a ten-byte one padded
        // with NUL by its maker reads.
        for (size_t i = 0; i < kPlatformTextChars; ++i) {
            state.platformText[i] =
                i < dataBytes
                    ? static_cast<char>(HexPairToByte(hexDigits[2 * i], hexDigits[2 * i + 1]))
                    : '\0';
        }
    }
    if (std::strcmp(state.platformText, state.projectorPlatform) != 0) {
        return kConvertPlatformMismatch;
    }
    return 0;
}

int CheckDataChecksum(const RecordLine& line) {
    // Damaged data would be programmed and then verified against itself, so
    // the download would report success over broken firmware.
    RecordChecksum checksum;
    return ReadRecordChecksum(line, checksum) && checksum.Matches() ? 0 : kConvertFormatError;
}

void MeasurePartitions(ConversionState& state) {
    const PartitionTable& table = state.ctx.partitions;
    const int count = PartitionsInUse(table);
    for (int i = 0; i < count; ++i) {
        // An address belongs to the partition with the greatest start at or
        // below it; of partitions with the same start, to the last listed.
        uint64_t end = table.flashSize;
        for (int j = 0; j < count; ++j) {
            if (table.start[j] > table.start[i] && table.start[j] < end) {
                end = table.start[j];
            } else if (j > i && table.start[j] == table.start[i]) {
                end = table.start[i];
                break;
            }
        }
        state.partitionEnd[i] = end;
    }
}

int AcceptDataRecord(ConversionState& state, uint32_t address, size_t dataBytes) {
    const PartitionTable& table = state.ctx.partitions;
    // A byte past the flash would be sent to an address the projector does
    // not have; the file does not fit this projector.
    const uint64_t last = static_cast<uint64_t>(address) + (dataBytes > 0 ? dataBytes - 1 : 0);
    if (last >= table.flashSize) {
        return kConvertFormatError;
    }
    // Every partition the record's bytes fall in is marked, so a record that
    // crosses into the next partition never programs unerased flash. Bytes
    // below every start mark nothing.
    const int count = PartitionsInUse(table);
    for (int i = 0; i < count; ++i) {
        const uint64_t end = state.partitionEnd[i];
        if (table.start[i] < end && table.start[i] <= last && address < end) {
            state.flags.flag[i] = 1;
        }
    }
    return 0;
}

}  // namespace corvane
