#include <cstdio>

#include "platform/portable/RegFile.h"

namespace corvane::platform {

namespace {

std::string Quote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    return out + '"';
}

// A text that fits a quoted string: one terminating NUL, no line break.
bool IsPlainText(const std::string& data) {
    return !data.empty() && data.back() == '\0' &&
           data.find_first_of(std::string_view("\0\r\n", 3)) == data.size() - 1;
}

std::string ByteList(const std::string& data) {
    std::string out;
    char hex[4];
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(data[i]));
        if (i > 0) {
            out += ',';
        }
        out += hex;
    }
    return out;
}

std::string FormatData(const RegValue& value) {
    if (value.type == kRegSz && IsPlainText(value.data)) {
        return Quote(std::string_view(value.data).substr(0, value.data.size() - 1));
    }
    if (value.type == kRegDword && value.data.size() == 4) {
        uint32_t number = 0;
        for (int i = 3; i >= 0; --i) {
            number = number << 8 | static_cast<unsigned char>(value.data[i]);
        }
        char text[16];
        std::snprintf(text, sizeof text, "dword:%08x", number);
        return text;
    }
    if (value.type == kRegBinary) {
        return "hex:" + ByteList(value.data);
    }
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
    return prefix + ByteList(value.data);
}

}  // namespace

std::string FormatRegFile(std::string_view keyPath, const std::vector<RegValue>& values) {
    std::string text = "Windows Registry Editor Version 5.00\n\n[";
    text.append(keyPath);
    text += "]\n";
    for (const RegValue& value : values) {
        text += value.name.empty() ? std::string("@") : Quote(value.name);
        text += '=';
        text += FormatData(value);
        text += '\n';
    }
    text += '\n';
    return text;
}

}  // namespace corvane::platform
