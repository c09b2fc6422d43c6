#include "platform/portable/TextFile.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace corvane::platform {

namespace {

void AppendUtf8(std::string& out, uint32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

std::string Utf16ToUtf8(const std::string& bytes, bool bigEndian) {
    constexpr uint32_t kReplacement = 0xFFFD;
    auto unitAt = [&](size_t i) -> uint32_t {
        const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        return uint32_t{hi} << 8 | lo;
    };
    std::string out;
    // Starts after the byte-order mark; an odd last byte is no character.
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        uint32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
            const uint32_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
    }
    return out;
}

bool StartsWith(const std::string& bytes, const char* mark, size_t length) {
    return bytes.size() >= length && bytes.compare(0, length, mark, length) == 0;
}

}  // namespace

ReadResult ReadWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    }
    // A folder opens on some systems; only a regular file has a content.
    std::error_code error;
    ReadResult result =
        std::filesystem::is_regular_file(path, error) ? ReadResult::Ok : ReadResult::Failed;
    char chunk[8192];
    while (result == ReadResult::Ok) {
        const size_t n = std::fread(chunk, 1, sizeof chunk, file);
        bytes.append(chunk, n);
        if (n < sizeof chunk) {
            if (std::ferror(file)) {
                result = ReadResult::Failed;
            }
            break;
        }
    }
    std::fclose(file);
    if (result != ReadResult::Ok) {
        bytes.clear();
    }
    return result;
}

std::string DecodeText(const std::string& bytes) {
    if (StartsWith(bytes, "\xEF\xBB\xBF", 3)) {
        return bytes.substr(3);
    }
    if (StartsWith(bytes, "\xFF\xFE", 2)) {
        return Utf16ToUtf8(bytes, false);
    }
    if (StartsWith(bytes, "\xFE\xFF", 2)) {
        return Utf16ToUtf8(bytes, true);
    }
    return bytes;
}

}  // namespace corvane::platform
