#include "app/cli/RecordChecksums.h"

#include <cctype>
#include <fstream>

namespace corvane::cli {

namespace {

bool ReadBytes(const std::string& hex, size_t from, std::vector<unsigned>& bytes) {
    if ((hex.size() - from) % 2 != 0 || hex.size() <= from) {
        return false;
    }
    for (size_t i = from; i < hex.size(); i += 2) {
        if (!std::isxdigit(static_cast<unsigned char>(hex[i])) ||
            !std::isxdigit(static_cast<unsigned char>(hex[i + 1]))) {
            return false;
        }
        bytes.push_back(static_cast<unsigned>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return true;
}

}  // namespace

std::vector<ChecksumWarning> CheckRecordChecksums(const std::string& path) {
    std::vector<ChecksumWarning> warnings;
    std::ifstream file(path);
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        std::vector<unsigned> bytes;
        if (line.size() > 1 && line[0] == ':' && ReadBytes(line, 1, bytes) && bytes.size() >= 5) {
            unsigned sum = 0;
            for (size_t i = 0; i + 1 < bytes.size(); ++i) {
                sum += bytes[i];
            }
            const unsigned expected = (0x100 - (sum & 0xFF)) & 0xFF;
            if (expected != bytes.back()) {
                warnings.push_back({number, bytes.back(), expected});
            }
        } else if (line.size() > 2 && line[0] == 'S' &&
                   std::isdigit(static_cast<unsigned char>(line[1])) && ReadBytes(line, 2, bytes) &&
                   bytes.size() >= 3) {
            unsigned sum = 0;
            for (size_t i = 0; i + 1 < bytes.size(); ++i) {
                sum += bytes[i];
            }
            const unsigned expected = ~sum & 0xFF;
            if (expected != bytes.back()) {
                warnings.push_back({number, bytes.back(), expected});
            }
        }
    }
    return warnings;
}

}  // namespace corvane::cli
