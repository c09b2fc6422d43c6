#include "platform/portable/ProfileReader.h"

#include <cctype>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/portable/TextFile.h"

namespace corvane::platform::portable {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca != cb && std::tolower(ca) != std::tolower(cb)) {
            return false;
        }
    }
    return true;
}

// Calls onLine for every line of text; a line ends at any run of CR and LF.
// A NUL byte ends the line's text: nothing after it could be returned as
// part of a NUL-terminated string anyway.
template <typename OnLine>
void ForEachLine(std::string_view text, OnLine onLine) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(pos, end - pos);
        line = line.substr(0, line.find('\0'));
        if (!onLine(Trim(line))) {
            return;
        }
        pos = text.find_first_not_of("\r\n", end);
        if (pos == std::string_view::npos) {
            return;
        }
    }
}

// The entries of the first section named `section`, each followed by a NUL.
std::string ReadSectionEntries(std::string_view text, std::string_view section) {
    std::string entries;
    bool inSection = false;
    ForEachLine(text, [&](std::string_view line) {
        if (line.empty()) {
            return true;
        }
        if (line.front() == '[') {
            if (inSection) {
                return false;  // only the first section of that name counts
            }
            std::string_view name = line.substr(1);
            name = name.substr(0, name.find(']'));
            inSection = EqualIgnoringCase(Trim(name), section);
            return true;
        }
        if (!inSection || line.front() == ';') {
            return true;
        }
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            entries.append(line);
        } else {
            entries.append(Trim(line.substr(0, equals)));
            entries += '=';
            entries.append(Trim(line.substr(equals + 1)));
        }
        entries += '\0';
        return true;
    });
    return entries;
}

}  // namespace

uint32_t GetPrivateProfileSection(const char* section, char* buffer, uint32_t size,
                                  const char* fileName) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    if (size == 1) {
        buffer[0] = '\0';
        return 0;
    }
    std::string entries;
    std::string bytes;
    if (section != nullptr && fileName != nullptr &&
        ReadWholeFile(fileName, bytes) == ReadResult::Ok) {
        entries = ReadSectionEntries(DecodeText(bytes), section);
    }
    if (entries.empty()) {
        buffer[0] = '\0';
        buffer[1] = '\0';
        return 0;
    }
    entries += '\0';  // the empty string that ends the sequence
    if (entries.size() < size) {
        std::memcpy(buffer, entries.data(), entries.size());
        return static_cast<uint32_t>(entries.size() - 1);
    }
    std::memcpy(buffer, entries.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

}  // namespace corvane::platform::portable
