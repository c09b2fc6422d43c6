// Intel hex records: ':' count(2) offset(4) type(2) data checksum(2). Only
// 20-bit segment addressing is understood; only data records' checksums are
// checked (stored files carry odd identification records).
#include "app/files/FirmwareImage.h"
#include "app/files/ImageConversion.h"

namespace corvane {

namespace {

constexpr size_t kOffsetStart = 3;
constexpr size_t kOffsetDigits = 4;

size_t ByteCount(const RecordLine& line) {
    return HexPairToByte(line.text[1], line.text[2]);
}

bool HoldsItsData(const RecordLine& line) {
    return line.length >= IntelRecordChars(ByteCount(line));
}

int ConvertData(ConversionState& state, const RecordLine& line) {
    uint32_t offset = 0;
    if (!ReadHexField(line.text, line.length, kOffsetStart, kOffsetDigits, offset) ||
        !HoldsItsData(line)) {
        return kConvertFormatError;
    }
    if (const int result = CheckDataChecksum(line); result != 0) {
        return result;
    }
    const uint32_t address = state.segmentBase * 16 + offset;
    if (const int result = AcceptDataRecord(state, address, ByteCount(line)); result != 0) {
        return result;
    }
    return AppendDataRecord(state.ctx, state.slot, address, line.text);
}

int ConvertSegment(ConversionState& state, const RecordLine& line) {
    if (!FlushImageBlock(state.ctx, state.slot)) {
        return kConvertNoStagedImage;
    }
    uint32_t segment = 0;
    if (!ReadHexField(line.text, line.length, kIntelHeaderChars, 4, segment) ||
        !HoldsItsData(line)) {
        return kConvertFormatError;
    }
    state.segmentBase = segment;
    return 0;
}

int ConvertIdentification(ConversionState& state, const RecordLine& line) {
    state.identificationSeen = true;
    if (!state.matchHardware) {
        return 0;
    }
    if (!HoldsItsData(line)) {
        return kConvertFormatError;
    }
    return CheckIdentification(state, line.text + kIntelHeaderChars, ByteCount(line));
}

}  // namespace

int ConvertIntelHexRecord(ConversionState& state, const RecordLine& line) {
    if (line.length < kIntelHeaderChars) {
        return kConvertFormatError;
    }
    switch (line.text[kIntelTypeChar]) {
        case '0':
            return ConvertData(state, line);
        case '1':  // end of file; records after it are still read
            return FlushImageBlock(state.ctx, state.slot) ? 0 : kConvertNoStagedImage;
        case '2':
            return ConvertSegment(state, line);
        case '3':  // start segment address: nothing to stage
            return 0;
        case 'F':
            return ConvertIdentification(state, line);
        default:  // linear addressing (4, 5), lower-case 'f' and anything else
            return kConvertFormatError;
    }
}

}  // namespace corvane
