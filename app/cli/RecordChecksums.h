// The checksums of a firmware file's records: a plan reports every record
// whose checksum does not add up, and whether the download refuses the file
// for it (a data record) or ignores it (any other record).
#pragma once

#include <string>
#include <vector>

namespace corvane::cli {

struct ChecksumWarning {
    int line = 0;  // counted from 1
    unsigned stored = 0;
    unsigned expected = 0;
    bool dataRecord = false;
};

// The file's lines as the conversion reads them, checked with the
// conversion's own checksum rule. Lines too short for their byte count are
// left to the conversion, which rejects them.
std::vector<ChecksumWarning> CheckRecordChecksums(const std::string& path);

}  // namespace corvane::cli
