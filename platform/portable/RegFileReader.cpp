#include <algorithm>
#include <cctype>

#include "platform/portable/RegFile.h"

namespace corvane::platform {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Takes a prefix without regard to case ("dword:", "hex:").
bool Consume(std::string_view& text, std::string_view prefix) {
    if (text.size() < prefix.size() || !EqualIgnoringCase(text.substr(0, prefix.size()), prefix)) {
        return false;
    }
    text.remove_prefix(prefix.size());
    return true;
}

// A quoted string with \\ and \" escapes; text starts at the opening quote.
// A backslash before any other character stands for itself.
bool ParseQuoted(std::string_view& text, std::string& out) {
    if (text.empty() || text.front() != '"') {
        return false;
    }
    for (size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            text.remove_prefix(i + 1);
            return true;
        }
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
            ++i;
        }
        out += text[i];
    }
    return false;  // no closing quote
}

// 1 to maxDigits hexadecimal digits and nothing else.
bool ParseHexNumber(std::string_view text, size_t maxDigits, uint32_t& value) {
    if (text.empty() || text.size() > maxDigits) {
        return false;
    }
    value = 0;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return false;
        }
        const int digit = std::isdigit(static_cast<unsigned char>(c))
                              ? c - '0'
                              : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    return true;
}

// "41,00,ff": comma-separated bytes; an empty list is zero bytes.
bool ParseByteList(std::string_view text, std::string& out) {
    text = Trim(text);
    while (!text.empty()) {
        const size_t comma = text.find(',');
        uint32_t byte = 0;
        if (!ParseHexNumber(Trim(text.substr(0, comma)), 2, byte)) {
            return false;
        }
        out += static_cast<char>(byte);
        if (comma == std::string_view::npos) {
            break;
        }
        text = Trim(text.substr(comma + 1));
        if (text.empty()) {
            return false;  // a comma with no byte after it
        }
    }
    return true;
}

enum class LineKind { Value, Removal, Invalid };

// Takes the value's name and the "=" from the line, leaving its data.
bool ParseName(std::string_view& line, std::string& name) {
    if (!line.empty() && line.front() == '@') {
        line.remove_prefix(1);
    } else if (!ParseQuoted(line, name)) {
        return false;
    }
    line = Trim(line);
    if (line.empty() || line.front() != '=') {
        return false;
    }
    line = Trim(line.substr(1));
    return true;
}

bool IsHexValueLine(std::string_view line) {
    std::string name;
    return ParseName(line, name) && Consume(line, "hex");
}

// `line` is one logical line: continuation lines of a byte list already joined.
LineKind ParseValueLine(std::string_view line, RegValue& value) {
    if (!ParseName(line, value.name)) {
        return LineKind::Invalid;
    }
    if (line == "-") {
        return LineKind::Removal;
    }
    if (!line.empty() && line.front() == '"') {
        value.type = kRegSz;
        if (!ParseQuoted(line, value.data) || !Trim(line).empty()) {
            return LineKind::Invalid;
        }
        value.data += '\0';
        return LineKind::Value;
    }
    if (Consume(line, "dword:")) {
        uint32_t number = 0;
        if (!ParseHexNumber(line, 8, number)) {
            return LineKind::Invalid;
        }
        value.type = kRegDword;
        for (int i = 0; i < 4; ++i) {
            value.data += static_cast<char>(number >> (8 * i) & 0xFF);
        }
        return LineKind::Value;
    }
    if (Consume(line, "hex:")) {
        value.type = kRegBinary;
    } else if (Consume(line, "hex(")) {
        const size_t close = line.find("):");
        if (close == std::string_view::npos ||
            !ParseHexNumber(line.substr(0, close), 8, value.type)) {
            return LineKind::Invalid;
        }
        line.remove_prefix(close + 2);
    } else {
        return LineKind::Invalid;
    }
    return ParseByteList(line, value.data) ? LineKind::Value : LineKind::Invalid;
}

void Apply(std::vector<RegValue>& values, LineKind kind, RegValue value) {
    auto it = std::find_if(values.begin(), values.end(),
                           [&](const RegValue& v) { return SameValueName(v.name, value.name); });
    if (kind == LineKind::Removal) {
        if (it != values.end()) {
            values.erase(it);
        }
    } else if (it != values.end()) {
        it->type = value.type;
        it->data = std::move(value.data);
    } else {
        values.push_back(std::move(value));
    }
}

}  // namespace

bool SameValueName(std::string_view a, std::string_view b) {
    return EqualIgnoringCase(a, b);
}

std::vector<RegValue> ParseRegFile(std::string_view text, std::string_view keyPath) {
    std::vector<std::string_view> lines;
    for (size_t pos = 0; pos <= text.size();) {
        const size_t end = std::min(text.find('\n', pos), text.size());
        lines.push_back(Trim(text.substr(pos, end - pos)));
        pos = end + 1;
    }
    std::vector<RegValue> values;
    bool inKey = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string line(lines[i]);
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            const size_t close = line.rfind(']');
            inKey = close != std::string::npos &&
                    EqualIgnoringCase(Trim(std::string_view(line).substr(1, close - 1)), keyPath);
            continue;
        }
        // A long byte list goes on over lines that end with a backslash.
        const bool byteList = IsHexValueLine(line);
        while (byteList && line.back() == '\\' && i + 1 < lines.size()) {
            line.pop_back();
            line += lines[++i];
        }
        RegValue value;
        const LineKind kind = ParseValueLine(line, value);
        if (inKey && kind != LineKind::Invalid) {
            Apply(values, kind, std::move(value));
        }
    }
    return values;
}

}  // namespace corvane::platform
