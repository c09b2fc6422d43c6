// The settings key in the real registry, in a key of its own under
// HKEY_CURRENT_USER that the test removes again.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "platform/SettingsKey.h"
#include "platform/win32/RegistryKey.h"
#include "tests/platform/TempFolder.h"
// clang-format off
#include "platform/win32/WinApi.h"
#include <shlwapi.h>
// clang-format on

namespace corvane::win32 {
namespace {

constexpr char kGuard = '\x7F';

class RegistryKeyTest : public ::testing::Test {
protected:
    RegistryKeyTest() {
        subkey_ = "Software\\Moravex\\CorvaneTest\\" + std::to_string(std::random_device()());
        location_ = "HKEY_CURRENT_USER\\" + subkey_;
    }
    ~RegistryKeyTest() override { SHDeleteKeyA(HKEY_CURRENT_USER, subkey_.c_str()); }

    std::unique_ptr<platform::SettingsKey> Open() {
        return platform::SettingsKey::OpenOrCreate(location_);
    }

    std::string subkey_;
    std::string location_;
};

TEST(RegistryLocation, RootsAreKnownByNameAndShortName) {
    RegistryLocation parsed;
    ASSERT_TRUE(ParseRegistryLocation("HKEY_LOCAL_MACHINE\\Software\\Moravex", parsed));
    EXPECT_TRUE(parsed.localMachine);
    EXPECT_EQ("Software\\Moravex", parsed.subkey);
    ASSERT_TRUE(ParseRegistryLocation("hkcu\\Software", parsed));
    EXPECT_FALSE(parsed.localMachine);
    EXPECT_EQ("Software", parsed.subkey);
    EXPECT_FALSE(ParseRegistryLocation("C:\\settings.reg", parsed));
    EXPECT_FALSE(ParseRegistryLocation("HKEY_LOCAL_MACHINE\\", parsed)) << "no subkey";
    EXPECT_FALSE(ParseRegistryLocation("HKEY_CLASSES_ROOT\\x", parsed));
    EXPECT_FALSE(ParseRegistryLocation("", parsed));
}

TEST(RegistryLocation, TheDefaultIsTheProgramsKeyOfTheLocalMachine) {
    EXPECT_EQ("HKEY_LOCAL_MACHINE\\Software\\Moravex\\Corvane\\Settings",
              platform::SettingsKey::DefaultLocation());
}

TEST(RegistryLocation, AnyOtherLocationIsAKeyInARegFile) {
    platform::test::TempFolder folder;
    const std::string file = folder.File("sub\\Settings.reg");
    {
        auto key = platform::SettingsKey::OpenOrCreate(file);
        ASSERT_NE(nullptr, key);
        EXPECT_TRUE(key->SetNumber("Enable Advanced Dialog", 1));
        EXPECT_TRUE(key->SetNumber("Enable Advanced Dialog", 0)) << "replaces the file in place";
    }
    const std::string text = folder.Read("sub\\Settings.reg");
    EXPECT_NE(std::string::npos, text.find("\"Enable Advanced Dialog\"=dword:00000000"));
    EXPECT_EQ(1u, folder.Names("sub").size()) << "no temporary file is left behind";
}

TEST_F(RegistryKeyTest, ValuesKeepTheirBytesAcrossReopening) {
    {
        auto key = Open();
        ASSERT_NE(nullptr, key);
        EXPECT_TRUE(key->SetNumber("Enable File Selection", 0x01020304));
        EXPECT_TRUE(key->SetText(".DLD Path", "C:\\lists\\"));
        EXPECT_TRUE(key->SetNumber(nullptr, 1));
    }
    auto key = Open();
    ASSERT_NE(nullptr, key);
    unsigned char number[4] = {};
    uint32_t size = sizeof number;
    ASSERT_TRUE(key->Query("Enable File Selection", number, &size));
    EXPECT_EQ(4u, size);
    EXPECT_EQ(0x04, number[0]) << "little-endian";
    EXPECT_EQ(0x01, number[3]);
    char text[100];
    size = sizeof text;
    ASSERT_TRUE(key->Query(".DLD Path", text, &size));
    EXPECT_EQ(std::strlen("C:\\lists\\") + 1, size) << "the terminator counts";
    EXPECT_STREQ("C:\\lists\\", text);
    uint32_t verify = 0;
    size = sizeof verify;
    ASSERT_TRUE(key->Query("", &verify, &size)) << "the unnamed default value";
    EXPECT_EQ(1u, verify);
}

TEST_F(RegistryKeyTest, ATooSmallBufferGetsNothingAndAMissingValueFails) {
    auto key = Open();
    ASSERT_NE(nullptr, key);
    const std::string password(99, 'p');
    ASSERT_TRUE(key->SetText("Config Password", password.c_str()));
    char buffer[100];
    std::memset(buffer, kGuard, sizeof buffer);
    uint32_t size = 99;
    EXPECT_FALSE(key->Query("Config Password", buffer, &size));
    for (char c : buffer) {
        ASSERT_EQ(kGuard, c);
    }
    size = 100;
    EXPECT_TRUE(key->Query("Config Password", buffer, &size)) << "99 characters fit 100 bytes";
    EXPECT_EQ(password, buffer);

    size = 0;
    EXPECT_TRUE(key->Query("Config Password", nullptr, &size));
    EXPECT_EQ(100u, size) << "without a buffer only the size";

    size = sizeof buffer;
    EXPECT_FALSE(key->Query("Missing", buffer, &size));
    EXPECT_FALSE(key->Query(nullptr, buffer, &size)) << "no default value yet";
    EXPECT_FALSE(key->Query("Config Password", buffer, nullptr));
}

TEST_F(RegistryKeyTest, AnEmptyTextIsOneByteAndKindsAreNotExamined) {
    auto key = Open();
    ASSERT_NE(nullptr, key);
    ASSERT_TRUE(key->SetText("File Directory", ""));
    char text[4] = {kGuard, kGuard, kGuard, kGuard};
    uint32_t size = sizeof text;
    ASSERT_TRUE(key->Query("File Directory", text, &size));
    EXPECT_EQ(1u, size);
    EXPECT_EQ('\0', text[0]);
    ASSERT_TRUE(key->SetText("Match Files to Hardware", "abc"));
    uint32_t number = 0;
    size = sizeof number;
    EXPECT_TRUE(key->Query("Match Files to Hardware", &number, &size)) << "a text read as 4 bytes";
    EXPECT_EQ(0x00636261u, number);
}

}  // namespace
}  // namespace corvane::win32
