#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/portable/RegFile.h"

namespace corvane::platform {
namespace {

using namespace std::string_literals;

const std::string kHeader =
    "Windows Registry Editor Version 5.00\n\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Moravex\\Corvane\\Settings]\n";

std::vector<RegValue> Parse(const std::string& body) {
    return ParseRegFile(kHeader + body, kSettingsKeyPath);
}

TEST(RegFile, FormatsEachKindAsRegeditWritesIt) {
    const std::vector<RegValue> values = {
        {"", kRegDword, "\x01\0\0\0"s},
        {"Enable File Selection", kRegDword, "\x78\x56\x34\x12"s},
        {".DLD Path", kRegSz, "C:\\fw\\\"new\"\0"s},
        {"Blob", kRegBinary, "\x00\xff\x10"s},
        {"Expand", 2, "A\0"s},
    };
    EXPECT_EQ(kHeader +
                  "@=dword:00000001\n"
                  "\"Enable File Selection\"=dword:12345678\n"
                  "\".DLD Path\"=\"C:\\\\fw\\\\\\\"new\\\"\"\n"
                  "\"Blob\"=hex:00,ff,10\n"
                  "\"Expand\"=hex(2):41,00\n"
                  "\n",
              FormatRegFile(kSettingsKeyPath, values));
}

TEST(RegFile, EveryValueReadsBackByteForByte) {
    const std::vector<RegValue> values = {
        {"", kRegSz, "\0"s},                       // empty text
        {"Line\"s\\", kRegSz, "a\r\nb\0"s},        // line break: needs hex(1)
        {"NoNul", kRegSz, "abc"s},                 // text without terminator
        {"InnerNul", kRegSz, "a\0b\0"s},           // a NUL inside
        {"Short", kRegDword, "\x01\x02"s},         // a number of two bytes
        {"Empty", kRegBinary, ""s},                // no bytes at all
        {"Wide", 7, "a\0b\0\0\0"s},                // REG_MULTI_SZ
        {"High", kRegSz, "\xc3\xa9t\xc3\xa9\0"s},  // bytes above 0x7F
    };
    const std::vector<RegValue> back =
        ParseRegFile(FormatRegFile(kSettingsKeyPath, values), kSettingsKeyPath);
    ASSERT_EQ(values.size(), back.size());
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(values[i].name, back[i].name);
        EXPECT_EQ(values[i].type, back[i].type) << values[i].name;
        EXPECT_EQ(values[i].data, back[i].data) << values[i].name;
    }
}

TEST(RegFile, ReadsEscapesAndTheUnnamedValue) {
    const auto values = Parse("@=\"x\"\n\"Path\"=\"a\\\\b\\\"c\\q\"\n");
    ASSERT_EQ(2u, values.size());
    EXPECT_EQ("", values[0].name);
    EXPECT_EQ("x\0"s, values[0].data);
    EXPECT_EQ("a\\b\"c\\q\0"s, values[1].data) << "a backslash before another character stays";
}

TEST(RegFile, SkipsLinesThatCannotBeParsed) {
    const auto values = Parse(
        "\"Good\"=dword:0000002a\n"
        "\"TooLong\"=dword:123456789\n"
        "\"NotHex\"=dword:12g4\n"
        "\"NoDigits\"=dword:\n"
        "\"Open\"=\"no closing quote\n"
        "\"Trailing\"=\"x\" y\n"
        "\"Comma\"=hex:01,02,\n"
        "\"BigByte\"=hex:100\n"
        "\"BadType\"=hex(z):00\n"
        "\"Kind\"=qword:01\n"
        "\"NoEquals\" dword:00000001\n"
        "garbage\n"
        "Unquoted=dword:00000001\n"
        "; \"Comment\"=dword:00000001\n"
        "\"Also\"=dword:FFFFFFFF\n");
    ASSERT_EQ(2u, values.size());
    EXPECT_EQ("Good", values[0].name);
    EXPECT_EQ("\x2a\0\0\0"s, values[0].data);
    EXPECT_EQ("Also", values[1].name);
    EXPECT_EQ("\xff\xff\xff\xff"s, values[1].data);
}

TEST(RegFile, ReadsOnlyValuesOfItsOwnKey) {
    const auto values = ParseRegFile(
        "\"Before\"=dword:00000001\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"Other\"=dword:00000001\n"
        "[hkey_local_machine\\SOFTWARE\\moravex\\corvane\\settings]\n\"Mine\"=dword:00000001\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Moravex\\Corvane\\Settings\\Sub]\n\"Sub\"=dword:1\n",
        kSettingsKeyPath);
    ASSERT_EQ(1u, values.size());
    EXPECT_EQ("Mine", values[0].name);
}

TEST(RegFile, ALaterLineForTheSameNameWinsAndMinusRemoves) {
    const auto values =
        Parse("\"A\"=dword:00000001\n\"B\"=\"b\"\n\"a\"=\"text\"\n\"C\"=dword:3\n\"c\"=-\n");
    ASSERT_EQ(2u, values.size());
    EXPECT_EQ("A", values[0].name);
    EXPECT_EQ(kRegSz, values[0].type);
    EXPECT_EQ("text\0"s, values[0].data);
    EXPECT_EQ("B", values[1].name);
}

TEST(RegFile, ByteListsContinueOverBackslashLines) {
    const auto values = Parse(
        "\"Multi\"=hex(7):41,00,\\\n  42,00,\\\n  00,00\n"
        "\"Path\"=\"C:\\\\\"\n"
        "\"Next\"=dword:00000002\n");
    ASSERT_EQ(3u, values.size());
    EXPECT_EQ(7u, values[0].type);
    EXPECT_EQ("A\0B\0\0\0"s, values[0].data);
    EXPECT_EQ("C:\\\0"s, values[1].data) << "a text ending in a backslash continues nothing";
    EXPECT_EQ("Next", values[2].name);
}

TEST(RegFile, AcceptsWindowsLineEndsAndSpaceAroundTheEquals) {
    const auto values = ParseRegFile(
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Moravex\\Corvane\\Settings]\r\n"
        "\"A\" = dword:00000005\r\n@=\"d\"\r\n",
        kSettingsKeyPath);
    ASSERT_EQ(2u, values.size());
    EXPECT_EQ("\x05\0\0\0"s, values[0].data);
    EXPECT_EQ("d\0"s, values[1].data);
}

}  // namespace
}  // namespace corvane::platform
