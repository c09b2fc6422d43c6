#include "platform/kernel/DbgFormat.h"

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "platform/kernel/Utf16.h"

namespace corvane::kernel {

namespace {

enum class Size { Default, Short, Char, Long, LongLong, Pointer, Wide };

struct Spec {
    std::string flags;
    int width = -1;
    int precision = -1;
    bool leftAlign = false;
    Size size = Size::Default;
};

// Counted strings as the kernel lays them out (Length in bytes).
struct CountedWide {
    uint16_t Length;
    uint16_t MaximumLength;
    const char16_t* Buffer;
};
struct CountedNarrow {
    uint16_t Length;
    uint16_t MaximumLength;
    const char* Buffer;
};

void Pad(std::string& out, const std::string& text, const Spec& spec) {
    std::size_t width = spec.width > 0 ? static_cast<std::size_t>(spec.width) : 0;
    if (text.size() >= width) {
        out += text;
    } else if (spec.leftAlign) {
        out += text;
        out.append(width - text.size(), ' ');
    } else {
        out.append(width - text.size(), ' ');
        out += text;
    }
}

std::string NarrowText(const char* text, int precision) {
    if (text == nullptr) {
        return "(null)";
    }
    std::size_t n = 0;
    while ((precision < 0 || n < static_cast<std::size_t>(precision)) && text[n] != '\0') {
        ++n;
    }
    return std::string(text, n);
}

std::string WideText(const char16_t* text, int precision) {
    if (text == nullptr) {
        return "(null)";
    }
    std::size_t n = 0;
    while ((precision < 0 || n < static_cast<std::size_t>(precision)) && text[n] != 0) {
        ++n;
    }
    return Utf16ToUtf8(std::u16string_view(text, n));
}

std::string Number(const Spec& spec, char conversion, va_list& args) {
    std::string format = "%" + spec.flags;
    if (spec.width >= 0) {
        format += std::to_string(spec.width);
    }
    if (spec.precision >= 0) {
        format += '.';
        format += std::to_string(spec.precision);
    }
    bool isSigned = conversion == 'd' || conversion == 'i';
    char buffer[128];
    long long value = 0;
    unsigned long long uvalue = 0;
    switch (spec.size) {
        case Size::LongLong:
            value = va_arg(args, long long);
            uvalue = static_cast<unsigned long long>(value);
            break;
        case Size::Pointer:
            uvalue = va_arg(args, uintptr_t);
            value = static_cast<long long>(static_cast<intptr_t>(uvalue));
            break;
        default: {
            // int, Windows long (32-bit), short and char all arrive as int.
            unsigned int raw = va_arg(args, unsigned int);
            if (spec.size == Size::Short) {
                value = static_cast<int16_t>(raw);
                uvalue = static_cast<uint16_t>(raw);
            } else if (spec.size == Size::Char) {
                value = static_cast<int8_t>(raw);
                uvalue = static_cast<uint8_t>(raw);
            } else {
                value = static_cast<int32_t>(raw);
                uvalue = raw;
            }
            break;
        }
    }
    format += "ll";
    format += conversion;
    if (isSigned) {
        std::snprintf(buffer, sizeof buffer, format.c_str(), value);
    } else {
        std::snprintf(buffer, sizeof buffer, format.c_str(), uvalue);
    }
    return buffer;
}

}  // namespace

std::string FormatDbgPrint(const char* format, va_list argsIn) {
    va_list args;
    va_copy(args, argsIn);
    std::string out;
    const char* p = format;
    while (*p != '\0') {
        if (*p != '%') {
            out.push_back(*p++);
            continue;
        }
        ++p;
        if (*p == '%') {
            out.push_back('%');
            ++p;
            continue;
        }
        Spec spec;
        while (*p == '-' || *p == '+' || *p == ' ' || *p == '#' || *p == '0') {
            if (*p == '-') {
                spec.leftAlign = true;
            }
            spec.flags.push_back(*p++);
        }
        if (*p == '*') {
            spec.width = va_arg(args, int);
            if (spec.width < 0) {
                spec.leftAlign = true;
                spec.flags.push_back('-');
                spec.width = -spec.width;
            }
            ++p;
        } else {
            while (*p >= '0' && *p <= '9') {
                spec.width = (spec.width < 0 ? 0 : spec.width * 10) + (*p++ - '0');
            }
        }
        if (*p == '.') {
            ++p;
            spec.precision = 0;
            if (*p == '*') {
                spec.precision = va_arg(args, int);
                ++p;
            } else {
                while (*p >= '0' && *p <= '9') {
                    spec.precision = spec.precision * 10 + (*p++ - '0');
                }
            }
        }
        std::string_view rest(p);
        if (rest.starts_with("I64")) {
            spec.size = Size::LongLong;
            p += 3;
        } else if (rest.starts_with("I32")) {
            spec.size = Size::Long;
            p += 3;
        } else if (rest.starts_with("ll")) {
            spec.size = Size::LongLong;
            p += 2;
        } else if (rest.starts_with("hh")) {
            spec.size = Size::Char;
            p += 2;
        } else if (*p == 'I') {
            spec.size = Size::Pointer;
            ++p;
        } else if (*p == 'l') {
            spec.size = Size::Long;
            ++p;
        } else if (*p == 'h') {
            spec.size = Size::Short;
            ++p;
        } else if (*p == 'w') {
            spec.size = Size::Wide;
            ++p;
        } else if (*p == 'L') {
            spec.size = Size::LongLong;
            ++p;
        }
        char conversion = *p;
        if (conversion == '\0') {
            break;
        }
        ++p;
        switch (conversion) {
            case 'd':
            case 'i':
            case 'u':
            case 'x':
            case 'X':
            case 'o':
                out += Number(spec, conversion, args);
                break;
            case 'c':
            case 'C': {
                unsigned int ch = va_arg(args, unsigned int);
                bool wide =
                    (conversion == 'C') != (spec.size == Size::Wide || spec.size == Size::Long);
                if (spec.size == Size::Short) {
                    wide = false;
                }
                std::string text = wide ? Utf16ToUtf8(std::u16string(1, static_cast<char16_t>(ch)))
                                        : std::string(1, static_cast<char>(ch));
                Pad(out, text, spec);
                break;
            }
            case 's':
            case 'S': {
                bool wide =
                    (conversion == 'S') != (spec.size == Size::Wide || spec.size == Size::Long);
                if (spec.size == Size::Short) {
                    wide = false;
                }
                std::string text = wide ? WideText(va_arg(args, const char16_t*), spec.precision)
                                        : NarrowText(va_arg(args, const char*), spec.precision);
                Pad(out, text, spec);
                break;
            }
            case 'Z': {
                std::string text = "(null)";
                if (spec.size == Size::Wide) {
                    auto* s = va_arg(args, const CountedWide*);
                    if (s != nullptr && s->Buffer != nullptr) {
                        text = Utf16ToUtf8(std::u16string_view(s->Buffer, s->Length / 2));
                    }
                } else {
                    auto* s = va_arg(args, const CountedNarrow*);
                    if (s != nullptr && s->Buffer != nullptr) {
                        text = std::string(s->Buffer, s->Length);
                    }
                }
                Pad(out, text, spec);
                break;
            }
            case 'p': {
                char buffer[32];
                std::snprintf(buffer, sizeof buffer, "%0*llX", static_cast<int>(sizeof(void*) * 2),
                              static_cast<unsigned long long>(
                                  reinterpret_cast<uintptr_t>(va_arg(args, void*))));
                Pad(out, buffer, spec);
                break;
            }
            default:
                // Unknown conversion: written as it stands, no argument taken.
                out.push_back('%');
                out.push_back(conversion);
                break;
        }
    }
    va_end(args);
    return out;
}

}  // namespace corvane::kernel
