#include "app/cli/RecordChecksums.h"

#include <cstdio>

#include "app/files/RecordChecksum.h"
#include "app/files/RecordLine.h"

namespace corvane::cli {

std::vector<ChecksumWarning> CheckRecordChecksums(const std::string& path) {
    std::vector<ChecksumWarning> warnings;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return warnings;
    }
    RecordLineReader reader(file);
    RecordLine line;
    int number = 1;
    while (reader.Next(line)) {
        RecordChecksum checksum;
        if (ReadRecordChecksum(line, checksum) && !checksum.Matches()) {
            warnings.push_back({number, checksum.stored, checksum.expected, IsDataRecord(line)});
        }
        number += line.cut ? 0 : 1;  // the rest of a cut line is on the same line
    }
    std::fclose(file);
    return warnings;
}

}  // namespace corvane::cli
