// The texts of the error codes that the download thread reports with
// WM_SHOW_ERROR, and the message built from a code and its detail text.
#pragma once

#include <cstdint>
#include <string>

namespace corvane {

inline constexpr uint32_t kErrorCount = 12;

// The text of error index 0..11; nullptr for any other index.
const char* ErrorText(uint32_t index);

// The error text, and when detail is given, a line feed and the detail
// ("%s\n%s"). An index outside the table (a sender's bug) still gives a
// message, naming the number, rather than reading past the table.
std::string FormatErrorMessage(uint32_t index, const char* detail);

}  // namespace corvane
