// What a staged image leaves in flash. A verification compares the
// projector's CRC-16 of a flash range with the CRC-16 of the same range of
// erased flash (0xFF) after the image's blocks are programmed into it; the
// download and the offline plan compute it the same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace corvane {

// The expected checksum of [rangeStart, rangeEnd). False when there is none:
// a range outside the flash, an image that cannot be replayed (a block past
// the flash, an unknown block type, no end block) or too little memory.
bool ComputeStagedImageChecksum(FILE* stagedImage, uint32_t flashSize, uint32_t rangeStart,
                                uint32_t rangeEnd, uint16_t& checksum);
bool ComputeStagedImageChecksum(const uint8_t* image, size_t imageSize, uint32_t flashSize,
                                uint32_t rangeStart, uint32_t rangeEnd, uint16_t& checksum);

}  // namespace corvane
