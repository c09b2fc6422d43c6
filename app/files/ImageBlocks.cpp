// The open block and its way into the staged image.
#include <algorithm>
#include <cstring>

#include "app/files/FirmwareImage.h"
#include "app/files/ImageConversion.h"

namespace corvane {

namespace {

// A block that already holds more than this takes no further record: with the
// common 16-byte records every full block then carries 240 bytes.
constexpr size_t kCoalesceLimit = 226;
constexpr size_t kBlockCapacity = kBlockDataSize;
constexpr uint8_t kEndBlock[kBlockHeaderSize] = {0x01, 0, 0, 0, 0, 0};

void StartBlock(OpenBlock& block, uint32_t address) {
    block.bytes[0] = 0x00;
    block.bytes[1] = static_cast<uint8_t>(address);
    block.bytes[2] = static_cast<uint8_t>(address >> 8);
    block.bytes[3] = static_cast<uint8_t>(address >> 16);
    block.bytes[4] = static_cast<uint8_t>(address >> 24);
    block.nextAddress = address;
}

}  // namespace

bool FlushImageBlock(EngineContext& ctx, uint8_t slot) {
    if (slot >= kDeviceSlots) {
        return false;
    }
    DeviceRecord& record = ctx.devices[slot];
    OpenBlock& block = record.openBlock;
    if (block.fill == 0) {
        return true;
    }
    const size_t size = kBlockHeaderSize + block.fill;
    block.bytes[5] = block.fill;
    block.fill = 0;
    return record.stagedImage != nullptr &&
           std::fwrite(block.bytes, 1, size, record.stagedImage) == size;
}

int AppendImageBytes(EngineContext& ctx, uint8_t slot, uint32_t address, const char* hexDigits,
                     size_t byteCount) {
    if (slot >= kDeviceSlots) {
        return kConvertNoStagedImage;
    }
    OpenBlock& block = ctx.devices[slot].openBlock;
    if (address != block.nextAddress || block.fill > kCoalesceLimit ||
        block.fill + byteCount > kBlockCapacity) {
        if (!FlushImageBlock(ctx, slot)) {
            return kConvertNoStagedImage;
        }
    }
    size_t done = 0;
    for (;;) {
        if (block.fill == 0) {
            StartBlock(block, address + static_cast<uint32_t>(done));
        }
        // Only a record longer than a whole block gets here with a full block.
        const size_t take = std::min(byteCount - done, kBlockCapacity - block.fill);
        uint8_t* data = block.bytes + kBlockHeaderSize + block.fill;
        for (size_t i = 0; i < take; ++i) {
            const char* pair = hexDigits + 2 * (done + i);
            data[i] = HexPairToByte(pair[0], pair[1]);
        }
        block.fill = static_cast<uint8_t>(block.fill + take);
        block.nextAddress += static_cast<uint32_t>(take);
        done += take;
        if (done == byteCount) {
            return 0;
        }
        if (!FlushImageBlock(ctx, slot)) {
            return kConvertNoStagedImage;
        }
    }
}

int AppendDataRecord(EngineContext& ctx, uint8_t slot, uint32_t address, const char* line) {
    const size_t length = std::strlen(line);
    if (length < kIntelHeaderChars) {
        return kConvertFormatError;
    }
    const size_t byteCount = HexPairToByte(line[1], line[2]);
    if (length < IntelRecordChars(byteCount)) {
        return kConvertFormatError;
    }
    return AppendImageBytes(ctx, slot, address, line + kIntelHeaderChars, byteCount);
}

bool WriteEndBlock(FILE* stagedImage) {
    return std::fwrite(kEndBlock, 1, sizeof kEndBlock, stagedImage) == sizeof kEndBlock;
}

}  // namespace corvane
