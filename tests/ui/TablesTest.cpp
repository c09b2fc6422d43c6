#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "app/ui/ErrorTable.h"
#include "app/ui/StringTable.h"

namespace corvane {
namespace {

TEST(StringTable, EveryTextByItsId) {
    const struct {
        uint32_t id;
        const char* text;
    } expected[] = {
        {101, "&About Corvane..."},
        {102, "Download"},
        {106, "Waiting for new connection..."},
        {108, "Downloading "},
        {109, "Requesting Platform ID..."},
        {111, "Connected"},
        {112, "Scanning File..."},
        {113, "1.6"},
        {115, "Requesting Flash Partitions..."},
    };
    for (const auto& e : expected) {
        char buffer[64];
        EXPECT_EQ(LoadString(e.id, buffer, sizeof buffer), static_cast<int>(std::strlen(e.text)));
        EXPECT_STREQ(buffer, e.text) << e.id;
    }
}

TEST(StringTable, UnknownIdsCopyNothing) {
    for (uint32_t id : {0u, 100u, 103u, 107u, 110u, 114u, 116u, 0xFFFFFFFFu}) {
        char buffer[8] = "junk";
        EXPECT_EQ(LoadString(id, buffer, sizeof buffer), 0) << id;
        EXPECT_STREQ(buffer, "") << id;
        EXPECT_EQ(LoadStringText(id), nullptr) << id;
    }
}

TEST(StringTable, CopyStopsOneShortOfTheBufferSizeAndCutsTheLongestText) {
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(LoadString(102, buffer, 9), 8);  // "Download" exactly fits with its NUL
    EXPECT_STREQ(buffer, "Download");
    EXPECT_EQ(buffer[9], '#');

    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(LoadString(102, buffer, 8), 7);
    EXPECT_STREQ(buffer, "Downloa");
    EXPECT_EQ(buffer[8], '#');

    EXPECT_EQ(LoadString(102, buffer, 1), 0);
    EXPECT_STREQ(buffer, "");

    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(LoadString(102, buffer, 0), 0);
    EXPECT_EQ(buffer[0], '#') << "size 0 writes nothing";
    EXPECT_EQ(LoadString(102, buffer, -5), 0);
    EXPECT_EQ(buffer[0], '#');
    EXPECT_EQ(LoadString(102, nullptr, 10), 0);

    // A 30-byte buffer holds 29 characters; string 115 has 30.
    char exact[30];
    EXPECT_EQ(LoadString(115, exact, sizeof exact), 29);
    EXPECT_STREQ(exact, "Requesting Flash Partitions..");
    EXPECT_EQ(LoadString(106, exact, sizeof exact), 29);
    EXPECT_STREQ(exact, "Waiting for new connection...");
}

TEST(ErrorTable, TwelveDistinctTexts) {
    std::set<std::string> seen;
    for (uint32_t i = 0; i < kErrorCount; ++i) {
        ASSERT_NE(ErrorText(i), nullptr) << i;
        EXPECT_GT(std::strlen(ErrorText(i)), 0u);
        seen.insert(ErrorText(i));
    }
    EXPECT_EQ(seen.size(), 12u);
    EXPECT_STREQ(ErrorText(0), "Timed out waiting for projector");
    EXPECT_STREQ(ErrorText(4), "Invalid or corrupt hex file!");
    EXPECT_STREQ(ErrorText(11), "Flash corrupted");
    EXPECT_EQ(ErrorText(12), nullptr);
    EXPECT_EQ(ErrorText(0xFFFFFFFFu), nullptr);
}

TEST(ErrorTable, MessageJoinsTextOrUnknownIndexAndDetailWithALineFeed) {
    EXPECT_EQ(FormatErrorMessage(10, "Verify"), "Function unsupported:\nVerify");
    EXPECT_EQ(FormatErrorMessage(4, "/fw/main.hex"), "Invalid or corrupt hex file!\n/fw/main.hex");
    EXPECT_EQ(FormatErrorMessage(5, nullptr), "File and Projector Do Not Match");
    EXPECT_EQ(FormatErrorMessage(1, ""), "Invalid sync with projector\n");
    EXPECT_EQ(FormatErrorMessage(7, "100%s %n"), "Error Opening File\n100%s %n")
        << "the detail is data, not a format";
    // An index outside the table still gives a message.
    EXPECT_EQ(FormatErrorMessage(12, nullptr), "Unknown error 12");
    EXPECT_EQ(FormatErrorMessage(4000000000u, "x"), "Unknown error 4000000000\nx");
}

}  // namespace
}  // namespace corvane
