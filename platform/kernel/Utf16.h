// UTF-16 helpers of the hosted kernel: conversion to and from UTF-8 and the
// case-insensitive comparison that RtlCompareUnicodeString uses.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane::kernel {

// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
// Invalid UTF-8 bytes become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

// Upper case of one UTF-16 unit as RtlUpcaseUnicodeChar gives it for the
// Latin ranges (ASCII, Latin-1 and Latin Extended-A); other units unchanged.
char16_t UpcaseUnit(char16_t unit);

// <0, 0 or >0, comparing unit by unit, then by length.
int CompareUtf16(std::u16string_view a, std::u16string_view b, bool caseInsensitive);

}  // namespace corvane::kernel
