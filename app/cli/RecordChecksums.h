// The checksums of a firmware file's records, which a download ignores: a
// plan warns about every record whose checksum does not add up.
#pragma once

#include <string>
#include <vector>

namespace corvane::cli {

struct ChecksumWarning {
    int line = 0;  // counted from 1
    unsigned stored = 0;
    unsigned expected = 0;
};

// Intel hex (':' lines: all bytes sum to 0) and S-records ('S' lines: count,
// address, data and checksum sum to 0xFF). Lines it cannot read are left to
// the conversion, which rejects them.
std::vector<ChecksumWarning> CheckRecordChecksums(const std::string& path);

}  // namespace corvane::cli
