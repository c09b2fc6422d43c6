// The Windows .reg text format for one key's values, as the settings key
// stores them on disk:
//
//     Windows Registry Editor Version 5.00
//
//     [HKEY_LOCAL_MACHINE\Software\Moravex\Corvane\Settings]
//     @=dword:00000000
//     "Name"="text with \\ and \" escaped"
//     "Other"=hex(2):41,00
//
// A value keeps its raw bytes as a registry query returns them (a text with
// its terminating NUL, a number as four little-endian bytes) and its type.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::platform {

inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;

inline constexpr std::string_view kSettingsKeyPath =
    "HKEY_LOCAL_MACHINE\\Software\\Moravex\\Corvane\\Settings";

struct RegValue {
    std::string name;  // empty: the key's unnamed default value ("@")
    uint32_t type = kRegSz;
    std::string data;
};

// Value names compare as the registry compares them: without regard to case.
bool SameValueName(std::string_view a, std::string_view b);

// The values stored under keyPath (compared without regard to case), in file
// order; a name given twice keeps its first place and its last data, and
// "Name"=- removes it, as when a .reg file is imported. Lines that cannot be
// parsed, and values under other keys, are skipped.
std::vector<RegValue> ParseRegFile(std::string_view text, std::string_view keyPath);

// The file text of one key. Texts that a quoted string cannot hold (a line
// break, a missing or inner NUL) and numbers that are not four bytes are
// written as hex(n): byte lists, so every value reads back byte for byte.
std::string FormatRegFile(std::string_view keyPath, const std::vector<RegValue>& values);

}  // namespace corvane::platform
