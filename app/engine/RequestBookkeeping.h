// What the projector requests remember between one reply and the next. The
// program serves one projector, so one instance (in the engine context) is
// enough.
#pragma once

#include <cstdint>

namespace corvane {

inline constexpr int kOutgoingBlockSize = 512;

struct RequestBookkeeping {
    int32_t identifyTries = 0;
    int32_t partitionTries = 0;

    int32_t eraseCursor = 0;        // next partition index to consider for erasing
    int64_t stagedSize = 0;         // bytes in the staged image, measured when programming begins
    uint8_t progressCountdown = 0;  // blocks left until the next progress message
    int32_t programRetries = 0;     // negative replies to "F" so far
    uint32_t programPhase = 0;      // 0 idle, 1 "F" sent, 2 blocks being sent
    uint8_t outgoingBlock[kOutgoingBlockSize] = {};

    int32_t verifyCursor = 0;       // partition index where the verified run ends
    uint8_t verifyPhase = 0;        // 1 "V" sent, 2 address pair sent
    uint16_t expectedChecksum = 0;  // host CRC-16 of the verified range
    // False when the host could not compute the checksum: the projector's
    // answer is still awaited, then counts as a mismatch (a range outside the
    // flash) or as the host's fault (stagedImageDamaged: a staged block lies
    // outside the flash, the image is cut short, or memory ran out).
    bool expectedChecksumValid = false;
    bool stagedImageDamaged = false;
};

}  // namespace corvane
