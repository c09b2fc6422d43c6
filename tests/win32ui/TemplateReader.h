// Reads an in-memory dialog template back, independently of the code that
// wrote it, so the tests check its bytes against the shared template data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::win32::test {

// A class or text field: an ordinal (0xFFFF, value) or a string.
struct NameOrOrdinal {
    bool isOrdinal = false;
    uint16_t ordinal = 0;
    std::string text;  // UTF-16 code units, all ASCII in these templates
};

struct ItemRead {
    size_t offset = 0;  // from the start of the template
    uint32_t style = 0, exStyle = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    uint16_t id = 0;
    NameOrOrdinal windowClass, title;
    uint16_t creationDataSize = 0;
};

struct TemplateRead {
    uint32_t style = 0, exStyle = 0;
    uint16_t itemCount = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu, windowClass;
    std::string caption;
    uint16_t pointSize = 0;
    std::string fontName;
    std::vector<ItemRead> items;
    size_t end = 0;   // where the last item ended
    bool ok = false;  // false when a field ran past the buffer
};

TemplateRead ReadTemplate(const std::vector<uint8_t>& bytes);

}  // namespace corvane::win32::test
