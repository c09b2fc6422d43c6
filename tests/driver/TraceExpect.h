// Checks on the kernel trace that Dornik writes: exact lines, lines in order,
// and the formatting of values as the driver's trace formats print them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::drivertest {

// "%X" of a 32-bit value.
std::string Hex(uint32_t value);
// "%d" of a 32-bit status.
std::string Decimal(int32_t value);

// The trace contains `line` (without its line end) exactly.
::testing::AssertionResult HasLine(const std::vector<std::string>& lines, const std::string& line);
// The first line that starts with `prefix`, or "" if none does.
std::string LineStartingWith(const std::vector<std::string>& lines, const std::string& prefix);
// `expected` occur in the trace in this order (other lines may come between).
::testing::AssertionResult HasLinesInOrder(const std::vector<std::string>& lines,
                                           const std::vector<std::string>& expected);
size_t CountLines(const std::vector<std::string>& lines, const std::string& line);

}  // namespace corvane::drivertest
