// The checks a conversion makes on the way: the platform a file is made for,
// and the flash address of its data.
#include <cstring>

#include "app/files/FirmwareImage.h"
#include "app/files/ImageConversion.h"

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

int AcceptDataAddress(ConversionState& state, uint32_t address) {
    const PartitionTable& table = state.ctx.partitions;
    if (address >= table.flashSize) {
        return kConvertFormatError;
    }
    // The last partition whose start is at or below the address holds it;
    // an address below the first partition marks nothing.
    for (int i = PartitionsInUse(table) - 1; i >= 0; --i) {
        if (table.start[i] <= address) {
            state.flags.flag[i] = 1;
            break;
        }
    }
    return 0;
}

}  // namespace corvane
