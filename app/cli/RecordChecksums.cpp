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
    for (int number = 1; reader.Next(line); ++number) {
        RecordChecksum checksum;
        if (ReadRecordChecksum(line, checksum) && !checksum.Matches()) {
            warnings.push_back({number, checksum.stored, checksum.expected, IsDataRecord(line)});
        }
    }
    std::fclose(file);
    return warnings;
}

}  // namespace corvane::cli
