#include "sim/PartitionLayout.h"

#include <cstdio>

namespace corvane::sim {

namespace {

std::optional<uint32_t> ParseNumber(std::string_view text, int base) {
    if (text.empty() || text.size() > 8) {
        return std::nullopt;
    }
    uint32_t value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else {
            return std::nullopt;
        }
        value = value * static_cast<uint32_t>(base) + static_cast<uint32_t>(digit);
    }
    return value;
}

std::vector<std::string_view> SplitAtCommas(std::string_view text) {
    std::vector<std::string_view> fields;
    size_t begin = 0;
    for (;;) {
        const size_t comma = text.find(',', begin);
        if (comma == std::string_view::npos) {
            fields.push_back(text.substr(begin));
            return fields;
        }
        fields.push_back(text.substr(begin, comma - begin));
        begin = comma + 1;
    }
}

}  // namespace

std::optional<size_t> PartitionLayout::IndexStartingAt(uint32_t address) const {
    for (size_t i = 0; i < starts.size(); ++i) {
        if (starts[i] == address) {
            return i;
        }
    }
    return std::nullopt;
}

uint32_t PartitionLayout::EndOf(size_t index) const {
    return index + 1 < starts.size() ? starts[index + 1] : flashSize;
}

bool PartitionLayout::IsValid() const {
    if (flashSize == 0 || flashSize > kMaxFlashSize) {
        return false;
    }
    for (size_t i = 0; i < starts.size(); ++i) {
        if (starts[i] >= flashSize || (i > 0 && starts[i] <= starts[i - 1])) {
            return false;
        }
    }
    return true;
}

PartitionLayout DefaultPartitionLayout() {
    return PartitionLayout{0x100000, {0x0, 0x10000, 0x80000, 0xF0000}};
}

std::string FormatPartitionDescriptor(const PartitionLayout& layout) {
    char number[16];
    std::snprintf(number, sizeof number, "%zu,%X,", layout.starts.size(), layout.flashSize);
    std::string text = number;
    for (size_t i = 0; i < layout.starts.size(); ++i) {
        std::snprintf(number, sizeof number, i == 0 ? "%X" : ",%X", layout.starts[i]);
        text += number;
    }
    return text;
}

std::optional<PartitionLayout> ParsePartitionDescriptor(std::string_view text) {
    std::vector<std::string_view> fields = SplitAtCommas(text);
    if (fields.size() < 2) {
        return std::nullopt;
    }
    const std::optional<uint32_t> count = ParseNumber(fields[0], 10);
    const std::optional<uint32_t> size = ParseNumber(fields[1], 16);
    if (!count || !size) {
        return std::nullopt;
    }
    if (*count == 0 && fields.size() == 3 && fields[2].empty()) {
        fields.pop_back();
    }
    if (fields.size() != 2 + static_cast<size_t>(*count)) {
        return std::nullopt;
    }
    PartitionLayout layout{*size, {}};
    for (size_t i = 2; i < fields.size(); ++i) {
        const std::optional<uint32_t> start = ParseNumber(fields[i], 16);
        if (!start) {
            return std::nullopt;
        }
        layout.starts.push_back(*start);
    }
    if (!layout.IsValid()) {
        return std::nullopt;
    }
    return layout;
}

}  // namespace corvane::sim
