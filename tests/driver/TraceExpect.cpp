#include "tests/driver/TraceExpect.h"

#include <algorithm>
#include <cstdio>

namespace corvane::drivertest {

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof(text), "%X", value);
    return text;
}

std::string Decimal(int32_t value) {
    return std::to_string(value);
}

::testing::AssertionResult HasLine(const std::vector<std::string>& lines, const std::string& line) {
    if (std::find(lines.begin(), lines.end(), line) != lines.end()) {
        return ::testing::AssertionSuccess();
    }
    auto failure = ::testing::AssertionFailure() << "no trace line \"" << line << "\" in:\n";
    for (const std::string& each : lines) {
        failure << "  " << each << "\n";
    }
    return failure;
}

std::string LineStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    for (const std::string& line : lines) {
        if (line.rfind(prefix, 0) == 0) {
            return line;
        }
    }
    return "";
}

::testing::AssertionResult HasLinesInOrder(const std::vector<std::string>& lines,
                                           const std::vector<std::string>& expected) {
    auto at = lines.begin();
    for (const std::string& line : expected) {
        at = std::find(at, lines.end(), line);
        if (at == lines.end()) {
            auto failure = ::testing::AssertionFailure()
                           << "trace line \"" << line << "\" missing or out of order in:\n";
            for (const std::string& each : lines) {
                failure << "  " << each << "\n";
            }
            return failure;
        }
        ++at;
    }
    return ::testing::AssertionSuccess();
}

size_t CountLines(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

}  // namespace corvane::drivertest
