#include "app/ui/SettingsStore.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ui/MainWindowRecordOps.h"
#include "tests/ui/SettingsKeyDouble.h"

namespace corvane {
namespace {

using test::SettingsKeyDouble;

// Owns what ReadMainWindowSettings allocates into a record.
struct RecordHolder {
    MainWindowRecord record;
    ~RecordHolder() { FreeDldPath(record); }
};

// Non-default values in every setting field, so a read that leaves a field
// alone is visible.
void Scramble(MainWindowRecord& record) {
    record.EnableFileSelection = 77;
    record.MatchFilesToHardware = 77;
    record.MatchFilesToPartNumber = 77;
    record.EnableAdvancedDialog = 77;
    record.ShowCompletionMessageBox = 77;
    record.VerifyDownloads = 77;
    SetDldPath(record, CopyText("stale"));
}

TEST(SettingsStore, FirstRunWithEmptyKeyGivesEveryDefault) {
    SettingsKeyDouble key;
    RecordHolder holder;
    Scramble(holder.record);

    ReadMainWindowSettings(&key, holder.record);

    const MainWindowRecord& r = holder.record;
    EXPECT_EQ(r.EnableFileSelection, 1u);
    EXPECT_EQ(r.MatchFilesToHardware, 1u);
    EXPECT_EQ(r.MatchFilesToPartNumber, 0u);
    EXPECT_EQ(r.EnableAdvancedDialog, 0u);
    EXPECT_EQ(r.ShowCompletionMessageBox, 0u);
    EXPECT_EQ(r.VerifyDownloads, 0u);
    ASSERT_NE(r.dldPath, nullptr);
    EXPECT_STREQ(r.dldPath, "");
    EXPECT_STREQ(ReadSettingText(&key, SettingId::ConfigPassword, "").get(), "");
    EXPECT_STREQ(ReadSettingText(&key, SettingId::FileDirectory, "").get(), "");
    EXPECT_EQ(key.ValueCount(), 0u) << "reading must not create values";
}

TEST(SettingsStore, InitialisationReadsInItsFixedOrder) {
    SettingsKeyDouble key;
    RecordHolder holder;
    ReadMainWindowSettings(&key, holder.record);
    const std::vector<std::string> expected = {
        "query:Enable File Selection",
        "query:Match Files to Hardware",
        "query:Match Files to Part Number",
        "query:Enable Advanced Dialog",
        "query:Show Completion Message Box",
        "query:",
        "query:.DLD Path",
    };
    EXPECT_EQ(key.Log(), expected);
}

TEST(SettingsStore, EachStoredNumberReachesItsOwnField) {
    SettingsKeyDouble key;
    key.SetNumber("Enable File Selection", 10);
    key.SetNumber("Match Files to Hardware", 11);
    key.SetNumber("Match Files to Part Number", 12);
    key.SetNumber("Enable Advanced Dialog", 13);
    key.SetNumber("Show Completion Message Box", 14);
    key.SetNumber(nullptr, 15);
    key.SetText(".DLD Path", "/srv/dld/");
    RecordHolder holder;

    ReadMainWindowSettings(&key, holder.record);

    const MainWindowRecord& r = holder.record;
    EXPECT_EQ(r.EnableFileSelection, 10u);
    EXPECT_EQ(r.MatchFilesToHardware, 11u);
    EXPECT_EQ(r.MatchFilesToPartNumber, 12u);
    EXPECT_EQ(r.EnableAdvancedDialog, 13u);
    EXPECT_EQ(r.ShowCompletionMessageBox, 14u);
    EXPECT_EQ(r.VerifyDownloads, 15u);
    EXPECT_STREQ(r.dldPath, "/srv/dld/");
}

TEST(SettingsStore, CloseWritesInItsFixedOrderAndRoundTrips) {
    SettingsKeyDouble key;
    RecordHolder written;
    MainWindowRecord& w = written.record;
    w.EnableFileSelection = 0;
    w.MatchFilesToHardware = 0;
    w.MatchFilesToPartNumber = 1;
    w.EnableAdvancedDialog = 1;
    w.ShowCompletionMessageBox = 1;
    w.VerifyDownloads = 1;
    SetDldPath(w, CopyText("C:\\lists\\"));

    WriteMainWindowSettings(&key, w);

    const std::vector<std::string> expected = {
        "set:Enable File Selection",
        "set:Match Files to Hardware",
        "set:Match Files to Part Number",
        "set:Enable Advanced Dialog",
        "set:Show Completion Message Box",
        "set:",
        "set:.DLD Path",
    };
    EXPECT_EQ(key.Log(), expected);
    EXPECT_EQ(key.Number(""), 1u) << "VerifyDownloads lives in the unnamed value";
    EXPECT_EQ(key.Number("Match Files to Hardware"), 0u);
    EXPECT_EQ(key.Text(".DLD Path"), "C:\\lists\\");

    RecordHolder read;
    ReadMainWindowSettings(&key, read.record);
    const MainWindowRecord& r = read.record;
    EXPECT_EQ(r.EnableFileSelection, 0u);
    EXPECT_EQ(r.MatchFilesToHardware, 0u);
    EXPECT_EQ(r.MatchFilesToPartNumber, 1u);
    EXPECT_EQ(r.EnableAdvancedDialog, 1u);
    EXPECT_EQ(r.ShowCompletionMessageBox, 1u);
    EXPECT_EQ(r.VerifyDownloads, 1u);
    EXPECT_STREQ(r.dldPath, "C:\\lists\\");
}

TEST(SettingsStore, NeverChosenDldPathIsWrittenAsEmptyString) {
    SettingsKeyDouble key;
    MainWindowRecord record;  // dldPath nullptr
    WriteMainWindowSettings(&key, record);
    EXPECT_EQ(key.Raw(".DLD Path"), std::vector<uint8_t>{0});

    RecordHolder holder;
    ReadMainWindowSettings(nullptr, holder.record);  // reads "" as default
    WriteMainWindowSettings(&key, holder.record);
    EXPECT_EQ(key.Raw(".DLD Path"), std::vector<uint8_t>{0});
}

TEST(SettingsStore, AllNineSettingsRoundTripUnderTheirNames) {
    SettingsKeyDouble key;
    const struct {
        SettingId id;
        const char* name;
    } numbers[] = {
        {SettingId::EnableFileSelection, "Enable File Selection"},
        {SettingId::MatchFilesToHardware, "Match Files to Hardware"},
        {SettingId::MatchFilesToPartNumber, "Match Files to Part Number"},
        {SettingId::ShowCompletionMessageBox, "Show Completion Message Box"},
        {SettingId::EnableAdvancedDialog, "Enable Advanced Dialog"},
        {SettingId::VerifyDownloads, ""},
    };
    uint32_t value = 0xA0000000;
    for (const auto& n : numbers) {
        EXPECT_TRUE(WriteSettingNumber(&key, n.id, ++value));
        EXPECT_EQ(key.Number(n.name), value) << n.name;
        EXPECT_EQ(ReadSettingNumber(&key, n.id, 5), value) << n.name;
    }
    const struct {
        SettingId id;
        const char* name;
    } texts[] = {{SettingId::DldPath, ".DLD Path"},
                 {SettingId::FileDirectory, "File Directory"},
                 {SettingId::ConfigPassword, "Config Password"}};
    for (const auto& t : texts) {
        const std::string text = std::string("value of ") + t.name;
        EXPECT_TRUE(WriteSettingText(&key, t.id, text.c_str()));
        EXPECT_EQ(key.Text(t.name), text);
        EXPECT_EQ(ReadSettingText(&key, t.id, "default").get(), text);
    }
    EXPECT_EQ(key.ValueCount(), 9u);
}

TEST(SettingsStore, TableHoldsNamesKindsAndDefaults) {
    ASSERT_NE(FindSetting(SettingId::VerifyDownloads), nullptr);
    EXPECT_EQ(FindSetting(SettingId::VerifyDownloads)->valueName, nullptr);
    EXPECT_EQ(FindSetting(SettingId::ConfigPassword)->kind, SettingKind::Text);
    EXPECT_STREQ(FindSetting(SettingId::ConfigPassword)->valueName, "Config Password");
    EXPECT_EQ(FindSetting(SettingId::MatchFilesToHardware)->defaultNumber, 1u);
    EXPECT_EQ(FindSetting(static_cast<SettingId>(9)), nullptr);
    int texts = 0;
    for (int i = 0; i < kSettingCount; ++i) {
        const SettingInfo* s = FindSetting(static_cast<SettingId>(i));
        ASSERT_NE(s, nullptr);
        if (s->kind == SettingKind::Text) {
            ++texts;
            EXPECT_STREQ(s->defaultText, "");
        }
    }
    EXPECT_EQ(texts, 3);
}

TEST(SettingsStore, TextLengthLimitIsOneHundredBytesWithTerminator) {
    SettingsKeyDouble key;
    for (size_t length : {0u, 1u, 98u, 99u}) {
        const std::string text(length, 'p');
        key.SetText("Config Password", text.c_str());
        EXPECT_EQ(ReadSettingText(&key, SettingId::ConfigPassword, "dflt").get(), text) << length;
    }
    for (size_t length : {100u, 101u, 500u}) {
        const std::string text(length, 'p');
        key.SetText("Config Password", text.c_str());
        EXPECT_STREQ(ReadSettingText(&key, SettingId::ConfigPassword, "dflt").get(), "dflt")
            << length;
        EXPECT_STREQ(ReadSettingText(&key, SettingId::ConfigPassword, "").get(), "") << length;
    }
}

TEST(SettingsStore, UnterminatedTextEndsWithItsStoredBytes) {
    SettingsKeyDouble key;
    key.SetRaw("File Directory", {'a', 'b', 'c'});
    EXPECT_STREQ(ReadSettingText(&key, SettingId::FileDirectory, "").get(), "abc");
    key.SetRaw("File Directory", std::vector<uint8_t>(100, 'z'));
    EXPECT_EQ(std::string(ReadSettingText(&key, SettingId::FileDirectory, "").get()),
              std::string(100, 'z'));
}

TEST(SettingsStore, ReturnedTextIsAnExactFreshCopy) {
    SettingsKeyDouble key;
    const char* defaultText = "fallback";
    OwnedText first = ReadSettingText(&key, SettingId::FileDirectory, defaultText);
    EXPECT_NE(first.get(), defaultText);
    EXPECT_STREQ(first.get(), "fallback");
    EXPECT_STREQ(ReadSettingText(&key, SettingId::FileDirectory, nullptr).get(), "");
}

TEST(SettingsStore, NumberOfOtherThanFourBytesReadsAsMissing) {
    SettingsKeyDouble key;
    key.SetRaw("Enable File Selection", {1, 0, 0, 0, 0});
    EXPECT_EQ(ReadSettingNumber(&key, SettingId::EnableFileSelection, 7), 7u);
    key.SetRaw("Enable File Selection", {1, 0, 0});
    EXPECT_EQ(ReadSettingNumber(&key, SettingId::EnableFileSelection, 7), 7u);
    key.SetRaw("Enable File Selection", {});
    EXPECT_EQ(ReadSettingNumber(&key, SettingId::EnableFileSelection, 7), 7u);
    key.SetRaw("Enable File Selection", {0x78, 0x56, 0x34, 0x12});
    EXPECT_EQ(ReadSettingNumber(&key, SettingId::EnableFileSelection, 7), 0x12345678u);
}

TEST(SettingsStore, ValueKindIsNotExamined) {
    SettingsKeyDouble key;
    key.SetText("Show Completion Message Box", "abc");  // four bytes with the terminator
    EXPECT_EQ(ReadSettingNumber(&key, SettingId::ShowCompletionMessageBox, 0), 0x00636261u);
    key.SetNumber("Config Password", 0x00006968);
    EXPECT_STREQ(ReadSettingText(&key, SettingId::ConfigPassword, "").get(), "hi");
}

TEST(SettingsStore, EmptyTextIsStoredAsOneByte) {
    SettingsKeyDouble key;
    EXPECT_TRUE(WriteSettingText(&key, SettingId::ConfigPassword, ""));
    EXPECT_EQ(key.Raw("Config Password"), std::vector<uint8_t>{0});
    EXPECT_TRUE(WriteSettingText(&key, SettingId::ConfigPassword, nullptr));
    EXPECT_EQ(key.Raw("Config Password"), std::vector<uint8_t>{0});
    EXPECT_STREQ(ReadSettingText(&key, SettingId::ConfigPassword, "x").get(), "");
}

TEST(SettingsStore, NullKeyReadsDefaultsAndLosesWritesSilently) {
    EXPECT_STREQ(ReadSettingText(nullptr, SettingId::ConfigPassword, "d").get(), "d");
    EXPECT_EQ(ReadSettingNumber(nullptr, SettingId::VerifyDownloads, 42), 42u);
    EXPECT_FALSE(WriteSettingText(nullptr, SettingId::ConfigPassword, "secret"));
    EXPECT_FALSE(WriteSettingNumber(nullptr, SettingId::VerifyDownloads, 1));

    RecordHolder holder;
    Scramble(holder.record);
    ReadMainWindowSettings(nullptr, holder.record);
    EXPECT_EQ(holder.record.EnableFileSelection, 1u);
    EXPECT_EQ(holder.record.MatchFilesToHardware, 1u);
    EXPECT_EQ(holder.record.MatchFilesToPartNumber, 0u);
    EXPECT_EQ(holder.record.VerifyDownloads, 0u);
    EXPECT_STREQ(holder.record.dldPath, "");
    WriteMainWindowSettings(nullptr, holder.record);  // nothing to see, nothing to crash
}

TEST(SettingsStore, RefusedWriteIsReportedToTheCaller) {
    SettingsKeyDouble key;
    key.RefuseWrites(true);
    EXPECT_FALSE(WriteSettingNumber(&key, SettingId::EnableAdvancedDialog, 1));
    EXPECT_FALSE(WriteSettingText(&key, SettingId::FileDirectory, "/x/"));
    EXPECT_EQ(key.ValueCount(), 0u);
}

TEST(SettingsStore, IdOutsideTheTableNeverTouchesTheKey) {
    SettingsKeyDouble key;
    const auto bad = static_cast<SettingId>(200);
    EXPECT_EQ(ReadSettingNumber(&key, bad, 3), 3u);
    EXPECT_STREQ(ReadSettingText(&key, bad, "t").get(), "t");
    EXPECT_FALSE(WriteSettingNumber(&key, bad, 1));
    EXPECT_FALSE(WriteSettingText(&key, bad, "v"));
    EXPECT_TRUE(key.Log().empty());
}

}  // namespace
}  // namespace corvane
