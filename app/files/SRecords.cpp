// Motorola S-records: 'S' kind count(2) address data checksum(2), the count
// covering address, data and checksum. Only S1-S3 checksums are checked.
#include "app/files/FirmwareImage.h"
#include "app/files/ImageConversion.h"

namespace corvane {

namespace {

constexpr size_t kHeaderAddressBytes = 2;

size_t ByteCount(const RecordLine& line) {
    return HexPairToByte(line.text[2], line.text[3]);
}

// With the check off a header is skipped whatever it holds, as an Intel
// identification record is.
int ConvertHeader(ConversionState& state, const RecordLine& line) {
    state.identificationSeen = true;
    if (!state.matchHardware) {
        return 0;
    }
    if (line.length < kSRecordHeaderChars) {
        return kConvertFormatError;
    }
    const size_t count = ByteCount(line);
    if (line.length < SRecordChars(count)) {
        return kConvertFormatError;
    }
    const size_t dataBytes = count > kHeaderAddressBytes + 1 ? count - kHeaderAddressBytes - 1 : 0;
    return CheckIdentification(state, line.text + kSRecordHeaderChars + 2 * kHeaderAddressBytes,
                               dataBytes);
}

int ConvertData(ConversionState& state, const RecordLine& line, size_t addressBytes) {
    const size_t count = ByteCount(line);
    uint32_t address = 0;
    if (!ReadHexField(line.text, line.length, kSRecordHeaderChars, 2 * addressBytes, address) ||
        count < addressBytes + 1 || line.length < SRecordChars(count)) {
        return kConvertFormatError;
    }
    if (const int result = CheckDataChecksum(line); result != 0) {
        return result;
    }
    if (const int result = AcceptDataRecord(state, address, count - addressBytes - 1);
        result != 0) {
        return result;
    }
    return AppendImageBytes(state.ctx, state.slot, address,
                            line.text + kSRecordHeaderChars + 2 * addressBytes,
                            count - addressBytes - 1);
}

}  // namespace

int ConvertSRecord(ConversionState& state, const RecordLine& line) {
    const char kind = line.text[1];
    if (kind < '0' || kind > '3') {
        return 0;  // counts (S5, S6), start addresses (S7-S9) and the rest
    }
    if (kind == '0') {
        return ConvertHeader(state, line);
    }
    if (line.length < kSRecordHeaderChars) {
        return kConvertFormatError;
    }
    // S1, S2 and S3 carry 2, 3 and 4 address bytes.
    return ConvertData(state, line, static_cast<size_t>(kind - '0') + 1);
}

}  // namespace corvane
