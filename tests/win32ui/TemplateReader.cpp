#include "tests/win32ui/TemplateReader.h"

#include <cstring>

namespace corvane::win32::test {

namespace {

class Cursor {
public:
    explicit Cursor(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    bool ok() const { return ok_; }
    size_t at() const { return at_; }
    void Align() { at_ = (at_ + 3) & ~size_t{3}; }
    uint16_t Word() {
        uint16_t value = 0;
        Read(&value, sizeof value);
        return value;
    }
    uint32_t Dword() {
        uint32_t value = 0;
        Read(&value, sizeof value);
        return value;
    }
    int16_t Short() { return static_cast<int16_t>(Word()); }
    std::string String() {
        std::string text;
        for (uint16_t unit = Word(); ok_ && unit != 0; unit = Word()) {
            text.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
        }
        return text;
    }
    // Menu and class: 0 none, 0xFFFF then an ordinal, else a string.
    NameOrOrdinal Field() {
        NameOrOrdinal field;
        const size_t start = at_;
        const uint16_t first = Word();
        if (first == 0xFFFF) {
            field.isOrdinal = true;
            field.ordinal = Word();
        } else if (first != 0) {
            at_ = start;
            field.text = String();
        }
        return field;
    }

private:
    void Read(void* out, size_t size) {
        if (at_ + size > bytes_.size()) {
            ok_ = false;
            at_ = bytes_.size();
            return;
        }
        std::memcpy(out, bytes_.data() + at_, size);
        at_ += size;
    }
    const std::vector<uint8_t>& bytes_;
    size_t at_ = 0;
    bool ok_ = true;
};

}  // namespace

TemplateRead ReadTemplate(const std::vector<uint8_t>& bytes) {
    TemplateRead read;
    Cursor in(bytes);
    read.style = in.Dword();
    read.exStyle = in.Dword();
    read.itemCount = in.Word();
    read.x = in.Short();
    read.y = in.Short();
    read.cx = in.Short();
    read.cy = in.Short();
    read.menu = in.Field();
    read.windowClass = in.Field();
    read.caption = in.String();
    read.pointSize = in.Word();
    read.fontName = in.String();
    for (uint16_t index = 0; index < read.itemCount && in.ok(); ++index) {
        in.Align();
        ItemRead item;
        item.offset = in.at();
        item.style = in.Dword();
        item.exStyle = in.Dword();
        item.x = in.Short();
        item.y = in.Short();
        item.cx = in.Short();
        item.cy = in.Short();
        item.id = in.Word();
        item.windowClass = in.Field();
        item.title = in.Field();
        item.creationDataSize = in.Word();
        read.items.push_back(item);
    }
    read.end = in.at();
    read.ok = in.ok();
    return read;
}

}  // namespace corvane::win32::test
