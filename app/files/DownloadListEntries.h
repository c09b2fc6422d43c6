// The entries of a download list's sections: KEY="value" anywhere in a line,
// the key matched case-sensitively, the value up to the next double quote.
#pragma once

#include <optional>
#include <string>

namespace corvane {

// The value of key's entry in line, or nullopt when the line holds no
// `key="` or its value has no closing quote.
std::optional<std::string> FindListEntry(const char* line, const char* key);

}  // namespace corvane
