// Conversion of an Intel hex or Motorola S-record firmware file into a staged
// image: a temporary binary file of address-tagged blocks
//   type (0 data, 1 end), address (32-bit little-endian), length, data
// closed by the end block 01 00 00 00 00 00, plus one flag per partition the
// file's data touches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "app/engine/EngineContext.h"
#include "app/files/HexDigits.h"

namespace corvane {

inline constexpr int kConvertFormatError = -1;       // bad record, type, data checksum or address
inline constexpr int kConvertPlatformMismatch = -2;  // file made for another platform
inline constexpr int kConvertNoStagedImage = -3;     // staged image not creatable or writable

// Converts the whole source file (opened for reading, any position) into a
// new staged image kept in ctx.devices[slot].stagedImage, marks the touched
// partitions in flags and returns how many are marked, or a negative code
// above. On a negative result the staged image may be left open and partly
// written; whoever owns the record closes it.
int ConvertFirmwareImage(EngineContext& ctx, uint8_t slot, FILE* source, PartitionFlags& flags);

// Appends the data bytes of one Intel hex data record (line without its line
// end) at address to the open block, closing the block first when the record
// does not continue it or would carry it past its 250 bytes, and splitting a
// record that is longer than a block. Returns 0, kConvertFormatError when the
// line is shorter than its byte count implies, or kConvertNoStagedImage when a
// block could not be written.
int AppendDataRecord(EngineContext& ctx, uint8_t slot, uint32_t address, const char* line);

// The same for byteCount bytes written as hex digit pairs at hexDigits (which
// the caller has checked to hold them); used for S-record data too.
int AppendImageBytes(EngineContext& ctx, uint8_t slot, uint32_t address, const char* hexDigits,
                     size_t byteCount);

// Writes the open block, if any, to the staged image and empties it. False
// when the write failed (or there is no staged image to write to).
bool FlushImageBlock(EngineContext& ctx, uint8_t slot);

}  // namespace corvane
