#include "app/files/RecordChecksum.h"

#include "app/files/HexDigits.h"
#include "app/files/ImageConversion.h"

namespace corvane {

namespace {

uint8_t SumOfBytes(const char* hexDigits, size_t bytes) {
    unsigned sum = 0;
    for (size_t i = 0; i < bytes; ++i) {
        sum += HexPairToByte(hexDigits[2 * i], hexDigits[2 * i + 1]);
    }
    return static_cast<uint8_t>(sum);
}

uint8_t StoredAt(const RecordLine& line, size_t at) {
    return HexPairToByte(line.text[at], line.text[at + 1]);
}

}  // namespace

bool ReadRecordChecksum(const RecordLine& line, RecordChecksum& checksum) {
    if (line.text[0] == ':') {
        if (line.length < kIntelHeaderChars) {
            return false;
        }
        const size_t count = HexPairToByte(line.text[1], line.text[2]);
        if (line.length < IntelRecordChars(count)) {
            return false;
        }
        const size_t summed = (kIntelHeaderChars - 1) / 2 + count;  // count, offset, type, data
        checksum.expected = static_cast<uint8_t>(-SumOfBytes(line.text + 1, summed));
        checksum.stored = StoredAt(line, 1 + 2 * summed);
        return true;
    }
    if (line.text[0] == 'S' && line.length >= kSRecordHeaderChars && line.text[1] >= '0' &&
        line.text[1] <= '9') {
        // The count covers address, data and the checksum itself.
        const size_t count = HexPairToByte(line.text[2], line.text[3]);
        if (count == 0 || line.length < SRecordChars(count)) {
            return false;
        }
        checksum.expected = static_cast<uint8_t>(~SumOfBytes(line.text + 2, count));
        checksum.stored = StoredAt(line, 2 + 2 * count);
        return true;
    }
    return false;
}

bool IsDataRecord(const RecordLine& line) {
    if (line.text[0] == ':') {
        return line.length >= kIntelHeaderChars && line.text[kIntelTypeChar] == '0';
    }
    return line.text[0] == 'S' && line.length >= 2 && line.text[1] >= '1' && line.text[1] <= '3';
}

}  // namespace corvane
