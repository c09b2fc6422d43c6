#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/SettingsKey.h"
#include "platform/portable/RegFileKey.h"
#include "tests/platform/FileSystemCallsDouble.h"
#include "tests/platform/TempFolder.h"

namespace corvane::platform {
namespace {

using namespace std::string_literals;
using test::FileSystemCallsDouble;
using test::TempFolder;

const std::string kEmptyKey =
    "Windows Registry Editor Version 5.00\n\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Moravex\\Corvane\\Settings]\n\n";

class SettingsKeyTest : public ::testing::Test {
protected:
    std::string Path() const { return folder_.File("Moravex/Corvane/Settings.reg"); }
    std::unique_ptr<SettingsKey> Open() { return SettingsKey::OpenOrCreate(Path()); }
    std::string FileText() const { return folder_.Read("Moravex/Corvane/Settings.reg"); }
    void WriteFile(const std::string& text) {
        std::filesystem::create_directories(folder_.File("Moravex/Corvane"));
        folder_.Write("Moravex/Corvane/Settings.reg", text);
    }

    // The value's bytes, or "<missing>" when the query fails.
    static std::string QueryText(const SettingsKey& key, const char* name, uint32_t size = 100) {
        std::string buffer(size, '\xAA');
        uint32_t length = size;
        if (!key.Query(name, buffer.data(), &length)) {
            EXPECT_EQ(size, length) << "a failed query keeps the size";
            EXPECT_EQ(std::string(size, '\xAA'), buffer) << "a failed query copies nothing";
            return "<missing>";
        }
        return buffer.substr(0, length);
    }

    TempFolder folder_;
};

TEST_F(SettingsKeyTest, FirstOpenCreatesTheFoldersAndAnEmptyKeyFile) {
    auto key = Open();
    ASSERT_NE(nullptr, key);
    EXPECT_EQ(kEmptyKey, FileText());
    struct stat info {};
    ASSERT_EQ(0, stat(Path().c_str(), &info));
    EXPECT_EQ(0600u, info.st_mode & 0777) << "the key holds a password";
    EXPECT_EQ("<missing>", QueryText(*key, "Enable File Selection"));
}

TEST_F(SettingsKeyTest, ValuesSurviveClosingAndReopening) {
    {
        auto key = Open();
        ASSERT_NE(nullptr, key);
        EXPECT_TRUE(key->SetNumber("Enable File Selection", 1));
        EXPECT_TRUE(key->SetNumber("Match Files to Part Number", 0x12345678));
        EXPECT_TRUE(key->SetText(".DLD Path", "C:\\fw\\\"q\"\\"));
        EXPECT_TRUE(key->SetText("Config Password", ""));
        EXPECT_TRUE(key->SetNumber(nullptr, 1));
    }
    EXPECT_EQ(
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Moravex\\Corvane\\Settings]\n"
        "\"Enable File Selection\"=dword:00000001\n"
        "\"Match Files to Part Number\"=dword:12345678\n"
        "\".DLD Path\"=\"C:\\\\fw\\\\\\\"q\\\"\\\\\"\n"
        "\"Config Password\"=\"\"\n"
        "@=dword:00000001\n\n",
        FileText());
    auto key = Open();
    ASSERT_NE(nullptr, key);
    EXPECT_EQ("\x01\0\0\0"s, QueryText(*key, "Enable File Selection"));
    EXPECT_EQ("\x78\x56\x34\x12"s, QueryText(*key, "Match Files to Part Number"));
    EXPECT_EQ("C:\\fw\\\"q\"\\\0"s, QueryText(*key, ".DLD Path"));
    EXPECT_EQ("\0"s, QueryText(*key, "Config Password")) << "an empty text is one byte";
    EXPECT_EQ("\x01\0\0\0"s, QueryText(*key, nullptr));
    EXPECT_EQ("\x01\0\0\0"s, QueryText(*key, "")) << "\"\" is the unnamed value too";
}

TEST_F(SettingsKeyTest, NamesMatchWithoutRegardToCaseAndKeepTheirFirstSpelling) {
    auto key = Open();
    ASSERT_NE(nullptr, key);
    ASSERT_TRUE(key->SetNumber("Enable Advanced Dialog", 0));
    ASSERT_TRUE(key->SetNumber("ENABLE advanced DIALOG", 1));
    EXPECT_EQ("\x01\0\0\0"s, QueryText(*key, "enable advanced dialog"));
    EXPECT_EQ(
        kEmptyKey.substr(0, kEmptyKey.size() - 1) + "\"Enable Advanced Dialog\"=dword:00000001\n\n",
        FileText());
}

TEST_F(SettingsKeyTest, ATextOf99CharactersFitsAHundredByteQueryAndOneOf100DoesNot) {
    auto key = Open();
    ASSERT_NE(nullptr, key);
    const std::string text99(99, 'p');
    ASSERT_TRUE(key->SetText("Config Password", text99.c_str()));
    EXPECT_EQ(text99 + '\0', QueryText(*key, "Config Password", 100));
    ASSERT_TRUE(key->SetText("Config Password", (text99 + "p").c_str()));
    EXPECT_EQ("<missing>", QueryText(*key, "Config Password", 100));
    EXPECT_EQ(text99 + "p" + '\0', QueryText(*key, "Config Password", 101));
}

TEST_F(SettingsKeyTest, QueriesLookAtSizeNotKind) {
    auto key = Open();
    ASSERT_NE(nullptr, key);
    ASSERT_TRUE(key->SetText("T", "abc"));
    ASSERT_TRUE(key->SetNumber("N", 7));
    EXPECT_EQ("abc\0"s, QueryText(*key, "T", 4)) << "a 4-byte text reads as a number would";
    EXPECT_EQ("<missing>", QueryText(*key, "N", 3));
    EXPECT_EQ("\x07\0\0\0"s, QueryText(*key, "N", 8));
    uint32_t size = 0;
    EXPECT_TRUE(key->Query("T", nullptr, &size)) << "no buffer: only the size";
    EXPECT_EQ(4u, size);
    EXPECT_FALSE(key->Query("T", nullptr, nullptr));
    EXPECT_EQ("<missing>", QueryText(*key, "Absent"));
}

TEST_F(SettingsKeyTest, TextsWithLineBreaksAndOtherKindsAreKeptByteForByte) {
    WriteFile(kEmptyKey.substr(0, kEmptyKey.size() - 1) +
              "\"Multi\"=hex(7):41,00,\\\n  00,00\n\"Blob\"=hex:01,02\n");
    {
        auto key = Open();
        ASSERT_NE(nullptr, key);
        ASSERT_TRUE(key->SetText("Note", "two\nlines"));
    }
    auto key = Open();
    ASSERT_NE(nullptr, key);
    EXPECT_EQ("two\nlines\0"s, QueryText(*key, "Note"));
    EXPECT_EQ("A\0\0\0"s, QueryText(*key, "Multi"));
    EXPECT_EQ("\x01\x02"s, QueryText(*key, "Blob"));
}

TEST_F(SettingsKeyTest, ANameWithALineBreakIsRefused) {
    auto key = Open();
    ASSERT_NE(nullptr, key);
    EXPECT_FALSE(key->SetNumber("Two\nLines", 1));
    EXPECT_FALSE(key->SetText("A", nullptr));
    EXPECT_EQ(kEmptyKey, FileText());
}

TEST_F(SettingsKeyTest, CorruptLinesReadAsMissingAndTheRestIsKept) {
    WriteFile(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Moravex\\Corvane\\Settings]\r\n"
        "\"Enable File Selection\"=dword:00000000\r\n"
        "\"Match Files to Hardware\"=dword:0000000G\r\n"
        "\"Config Password\"=\"unterminated\r\n"
        "\xff\xfe garbage \x01\r\n"
        "@=dword:00000001\r\n");
    auto key = Open();
    ASSERT_NE(nullptr, key);
    EXPECT_EQ("\0\0\0\0"s, QueryText(*key, "Enable File Selection"));
    EXPECT_EQ("<missing>", QueryText(*key, "Match Files to Hardware"));
    EXPECT_EQ("<missing>", QueryText(*key, "Config Password"));
    EXPECT_EQ("\x01\0\0\0"s, QueryText(*key, nullptr));
    ASSERT_TRUE(key->SetText("File Directory", "/fw/"));
    EXPECT_EQ(kEmptyKey.substr(0, kEmptyKey.size() - 1) +
                  "\"Enable File Selection\"=dword:00000000\n"
                  "@=dword:00000001\n"
                  "\"File Directory\"=\"/fw/\"\n\n",
              FileText());
}

TEST_F(SettingsKeyTest, ReadsAKeyExportedByRegeditOnWindows) {
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Moravex\\Corvane\\Settings]\r\n"
        "@=dword:00000001\r\n\"Config Password\"=\"pw\"\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : text) {
        utf16 += c;
        utf16 += '\0';
    }
    WriteFile(utf16);
    auto key = Open();
    ASSERT_NE(nullptr, key);
    EXPECT_EQ("\x01\0\0\0"s, QueryText(*key, ""));
    EXPECT_EQ("pw\0"s, QueryText(*key, "Config Password"));
}

TEST_F(SettingsKeyTest, NoKeyWhenTheFileCannotBeReadOrCreated) {
    std::filesystem::create_directories(Path());
    EXPECT_EQ(nullptr, Open()) << "the file is a folder";
    folder_.Write("plain", "x");
    EXPECT_EQ(nullptr, SettingsKey::OpenOrCreate(folder_.File("plain/Corvane/Settings.reg")))
        << "a folder cannot be created below a file";
    EXPECT_EQ(nullptr, SettingsKey::OpenOrCreate(""));
}

TEST_F(SettingsKeyTest, NoKeyWhenTheFileIsNotReadable) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind the superuser";
    }
    WriteFile(kEmptyKey);
    chmod(Path().c_str(), 0200);
    EXPECT_EQ(nullptr, Open());
}

TEST_F(SettingsKeyTest, AFailedSaveLeavesFileAndValuesAsTheyWere) {
    auto calls = std::make_unique<FileSystemCallsDouble>();
    FileSystemCallsDouble* double_ = calls.get();
    auto key = RegFileKey::Open(Path(), std::move(calls));
    ASSERT_NE(nullptr, key);
    ASSERT_TRUE(key->SetText("Config Password", "old"));
    const std::string saved = FileText();

    double_->failWriteAfter = double_->written + 40;  // dies in the middle of the file
    EXPECT_FALSE(key->SetText("Config Password", "new"));
    EXPECT_FALSE(key->SetNumber("Enable Advanced Dialog", 1));
    EXPECT_EQ(saved, FileText());
    EXPECT_EQ("old\0"s, QueryText(*key, "Config Password"));
    EXPECT_EQ("<missing>", QueryText(*key, "Enable Advanced Dialog"));
    EXPECT_EQ(std::vector<std::string>{"Settings.reg"}, folder_.Names("Moravex/Corvane"));

    double_->failWriteAfter = SIZE_MAX;
    double_->failRename = true;
    EXPECT_FALSE(key->SetText("Config Password", "new"));
    EXPECT_EQ(saved, FileText());

    double_->failRename = false;
    EXPECT_TRUE(key->SetText("Config Password", "new"));
    EXPECT_EQ("new\0"s, QueryText(*key, "Config Password"));
    EXPECT_EQ("<missing>", QueryText(*key, "Enable Advanced Dialog"));
}

TEST_F(SettingsKeyTest, AFailedFirstSaveGivesNoKey) {
    auto calls = std::make_unique<FileSystemCallsDouble>();
    calls->failSync = true;
    EXPECT_EQ(nullptr, RegFileKey::Open(Path(), std::move(calls)));
    EXPECT_FALSE(std::filesystem::exists(Path()));
}

TEST_F(SettingsKeyTest, ATemporaryFileLeftByAnInterruptedSaveIsIgnored) {
    WriteFile(kEmptyKey.substr(0, kEmptyKey.size() - 1) + "\"A\"=dword:00000002\n\n");
    folder_.Write("Moravex/Corvane/Settings.reg.tmp-Ab12Cd", "Windows Registry Ed");
    auto key = Open();
    ASSERT_NE(nullptr, key);
    EXPECT_EQ("\x02\0\0\0"s, QueryText(*key, "A"));
    ASSERT_TRUE(key->SetNumber("A", 3));
    EXPECT_EQ("\x03\0\0\0"s, QueryText(*SettingsKey::OpenOrCreate(Path()), "A"));
}

class SettingsLocation : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : kNames) {
            const char* value = std::getenv(name);
            saved_.emplace_back(value != nullptr, value != nullptr ? value : "");
            unsetenv(name);
        }
    }
    void TearDown() override {
        for (size_t i = 0; i < std::size(kNames); ++i) {
            if (saved_[i].first) {
                setenv(kNames[i], saved_[i].second.c_str(), 1);
            } else {
                unsetenv(kNames[i]);
            }
        }
    }
    static constexpr const char* kNames[] = {"CORVANE_SETTINGS", "XDG_CONFIG_HOME", "HOME"};
    std::vector<std::pair<bool, std::string>> saved_;
};

TEST_F(SettingsLocation, FollowsTheOverrideThenTheBaseDirectories) {
    setenv("HOME", "/home/tech", 1);
    EXPECT_EQ("/home/tech/.config/Moravex/Corvane/Settings.reg", SettingsKey::DefaultLocation());
    setenv("XDG_CONFIG_HOME", "relative/config", 1);
    EXPECT_EQ("/home/tech/.config/Moravex/Corvane/Settings.reg", SettingsKey::DefaultLocation())
        << "a relative XDG_CONFIG_HOME is ignored";
    setenv("XDG_CONFIG_HOME", "/etc/xdg-tech", 1);
    EXPECT_EQ("/etc/xdg-tech/Moravex/Corvane/Settings.reg", SettingsKey::DefaultLocation());
    setenv("CORVANE_SETTINGS", "/tmp/test.reg", 1);
    EXPECT_EQ("/tmp/test.reg", SettingsKey::DefaultLocation());
}

}  // namespace
}  // namespace corvane::platform
