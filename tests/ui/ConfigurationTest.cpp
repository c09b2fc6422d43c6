// The Config button: password prompt, configuration dialog, and the
// switches handed back to the main window.
#include "app/ui/MainWindowRecordOps.h"
#include "app/ui/PasswordDialog.h"
#include "tests/ui/MainWindowFixture.h"

namespace corvane::test {
namespace {

using C = ConfigDialogIds;

class ConfigurationTest : public MainWindowFixture {
protected:
    void SetUp() override {
        Start();
        Identify("PN-1");
    }
    void ScriptPassword(const std::string& typed, bool ok = true) {
        windows.ScriptModal(kPasswordTemplateId, [typed, ok](RecordingWindow& prompt) {
            EXPECT_EQ(prompt.Focus(), PasswordDialogIds::kPassword);
            prompt.Type(PasswordDialogIds::kPassword, typed);
            if (ok) {
                prompt.Click(kIdOk);
            } else {
                prompt.PressEscape();
            }
        });
    }
    // Records the three locked check boxes' state when the dialog opens.
    void ScriptConfig(std::function<void(RecordingWindow&)> script = nullptr) {
        windows.ScriptModal(kConfigTemplateId, [this, script](RecordingWindow& config) {
            lockedChecksEnabled = config.Enabled(C::kHardwareTest) &&
                                  config.Enabled(C::kAdvanced) &&
                                  config.Enabled(C::kVerifyDownloads);
            passwordField = config.Text(C::kPassword);
            if (script) {
                script(config);
            }
        });
    }
    bool lockedChecksEnabled = false;
    std::string passwordField = "?";
};

TEST_F(ConfigurationTest, NoStoredPasswordOpensTheDialogAtOnce) {
    ScriptConfig();
    Win().Click(Ids::kConfig);
    EXPECT_EQ(windows.ModalRuns(), (std::vector<int>{kConfigTemplateId}));
    EXPECT_FALSE(lockedChecksEnabled);
    EXPECT_EQ(passwordField, "");
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(ConfigurationTest, StoredPasswordMustBeTyped) {
    SetSettingText("Config Password", "secret");
    ScriptPassword("secret");
    ScriptConfig();
    Win().Click(Ids::kConfig);
    EXPECT_EQ(windows.ModalRuns(), (std::vector<int>{kPasswordTemplateId, kConfigTemplateId}));
    EXPECT_EQ(passwordField, "secret");
    EXPECT_FALSE(lockedChecksEnabled);
}

TEST_F(ConfigurationTest, WrongPasswordShowsInvalidPasswordAndChangesNothing) {
    SetSettingText("Config Password", "secret");
    ScriptPassword("Secret");
    Win().EnableControl(Ids::kConfig, true);
    Win().Click(Ids::kConfig);
    EXPECT_EQ(windows.ModalRuns(), (std::vector<int>{kPasswordTemplateId}));
    ASSERT_EQ(windows.MessageBoxes().size(), 1u);
    EXPECT_EQ(windows.MessageBoxes()[0].text, "Invalid Password");
    EXPECT_EQ(windows.MessageBoxes()[0].caption, "Corvane");
    EXPECT_EQ(windows.MessageBoxes()[0].icon, MessageBoxIcon::Error);
}

TEST_F(ConfigurationTest, CancelledPromptEndsQuietly) {
    SetSettingText("Config Password", "secret");
    ScriptPassword("secret", false);
    Win().Click(Ids::kConfig);
    EXPECT_EQ(windows.ModalRuns(), (std::vector<int>{kPasswordTemplateId}));
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(ConfigurationTest, OnlyTheFirstTenTypedCharactersCount) {
    SetSettingText("Config Password", "0123456789");
    ScriptPassword("0123456789XYZ");  // the edit takes 11, 10 are read
    ScriptConfig();
    Win().Click(Ids::kConfig);
    EXPECT_EQ(windows.ModalRuns().back(), kConfigTemplateId);
    EXPECT_EQ(windows.Latest(kPasswordTemplateId)->Text(PasswordDialogIds::kPassword),
              "0123456789X");
}

TEST_F(ConfigurationTest, StoredPasswordOverTenCharactersCanNeverMatch) {
    SetSettingText("Config Password", "0123456789X");
    ScriptPassword("0123456789X");
    Win().Click(Ids::kConfig);
    EXPECT_EQ(windows.ModalRuns(), (std::vector<int>{kPasswordTemplateId}));
    ASSERT_EQ(windows.MessageBoxes().size(), 1u);
    EXPECT_EQ(windows.MessageBoxes()[0].text, "Invalid Password");
}

TEST_F(ConfigurationTest, AccessCodeUnlocksTheThreeCheckBoxesOnFocusLoss) {
    std::vector<bool> states;
    ScriptConfig([&](RecordingWindow& config) {
        config.Type(C::kPassword, "/- kvet -/");
        states.push_back(config.Enabled(C::kVerifyDownloads));  // not before the focus leaves
        config.MoveFocus(kIdOk);
        states.push_back(config.Enabled(C::kHardwareTest) && config.Enabled(C::kAdvanced) &&
                         config.Enabled(C::kVerifyDownloads));
        config.Type(C::kPassword, "/- kvet -|");
        config.MoveFocus(kIdOk);
        states.push_back(config.Enabled(C::kHardwareTest) || config.Enabled(C::kAdvanced) ||
                         config.Enabled(C::kVerifyDownloads));
    });
    Win().Click(Ids::kConfig);
    EXPECT_EQ(states, (std::vector<bool>{false, true, false}));
}

TEST_F(ConfigurationTest, OkStoresTheAccessCodeWhichThenOpensEverything) {
    ScriptConfig([](RecordingWindow& config) {
        config.Type(C::kPassword, "/- kvet -/");
        config.Click(kIdOk);
    });
    Win().Click(Ids::kConfig);
    EXPECT_EQ(settings.Text("Config Password"), "/- kvet -/");

    ScriptPassword("/- kvet -/");
    ScriptConfig();
    Win().Click(Ids::kConfig);
    EXPECT_EQ(windows.ModalRuns().back(), kConfigTemplateId);
    EXPECT_TRUE(lockedChecksEnabled);
}

TEST_F(ConfigurationTest, EmptyingThePasswordRemovesThePrompt) {
    SetSettingText("Config Password", "secret");
    ScriptPassword("secret");
    ScriptConfig([](RecordingWindow& config) {
        config.Type(C::kPassword, "");
        config.Click(kIdOk);
    });
    Win().Click(Ids::kConfig);
    EXPECT_EQ(settings.Text("Config Password"), "");
}

TEST_F(ConfigurationTest, OkHandsTheSwitchesBackAndReappliesTheState) {
    ScriptConfig([](RecordingWindow& config) {
        EXPECT_TRUE(config.IsChecked(C::kFileSelection));
        config.Toggle(C::kFileSelection);
        config.Toggle(C::kCompletionBox);
        config.Click(kIdOk);
    });
    ASSERT_TRUE(Win().Enabled(Ids::kSelectFiles));
    Win().Click(Ids::kConfig);
    EXPECT_EQ(Record().EnableFileSelection, 0u);
    EXPECT_EQ(Record().ShowCompletionMessageBox, 1u);
    EXPECT_FALSE(Win().Enabled(Ids::kSelectFiles));
    EXPECT_EQ(State(), Ready);
    // Nothing but the password is stored before the main window closes.
    EXPECT_FALSE(settings.Number("Enable File Selection").has_value());
}

TEST_F(ConfigurationTest, CloseBoxKeepsOnlyTheMatchSwitchAndTheFolder) {
    ScriptConfig([](RecordingWindow& config) {
        config.Toggle(C::kCompletionBox);
        config.Toggle(C::kMatchDld);
        EXPECT_FALSE(config.Enabled(C::kSelectFiles));
        EXPECT_FALSE(config.Enabled(C::kFileSelection));
        EXPECT_TRUE(config.ListBrushUsed(C::kFileList));
        config.Type(C::kPassword, "typed");
        config.Click(C::kSelectDldPath);
        EXPECT_EQ(config.Items(C::kDldPath), (std::vector<std::string>{"/srv/lists/"}));
        config.PressCloseBox();
    });
    windows.AnswerFolder("/srv/lists");
    const int redraws = Win().Control(Ids::kFileList).redraws;
    Win().Click(Ids::kConfig);
    EXPECT_EQ(Record().MatchFilesToPartNumber, 1u);
    EXPECT_EQ(Record().ShowCompletionMessageBox, 0u);
    EXPECT_STREQ(Record().dldPath, "/srv/lists/");
    EXPECT_GT(Win().Control(Ids::kFileList).redraws, redraws);
    EXPECT_FALSE(settings.Text("Config Password").has_value());
    EXPECT_FALSE(Win().Enabled(Ids::kSelectFiles));  // state applied with matching on
}

TEST_F(ConfigurationTest, RootFolderGetsItsSeparatorAppendedAnyway) {
    ScriptConfig([](RecordingWindow& config) { config.Click(C::kSelectDldPath); });
    windows.AnswerFolder("/");
    Win().Click(Ids::kConfig);
    EXPECT_STREQ(Record().dldPath, "//");
}

TEST_F(ConfigurationTest, CancelledFolderChooserChangesNothing) {
    SetDldPath(Record(), CopyText("/old/"));
    ScriptConfig([](RecordingWindow& config) {
        config.Click(C::kSelectDldPath);
        EXPECT_EQ(config.Items(C::kDldPath), (std::vector<std::string>{"/old/"}));
    });
    windows.AnswerFolder(std::nullopt);
    Win().Click(Ids::kConfig);
    EXPECT_EQ(windows.FolderRequests(), 1);
    EXPECT_STREQ(Record().dldPath, "/old/");
}

TEST_F(ConfigurationTest, FileListIsCopiedSorted) {
    GiveFiles(0);
    Win().ListInsertString(Ids::kFileList, 0, "zeta.hex");
    Win().ListInsertString(Ids::kFileList, 1, "Alpha.hex");
    Win().ListInsertString(Ids::kFileList, 2, "beta.hex");
    std::vector<std::string> items;
    ScriptConfig([&](RecordingWindow& config) { items = config.Items(C::kFileList); });
    Win().Click(Ids::kConfig);
    EXPECT_EQ(items, (std::vector<std::string>{"Alpha.hex", "beta.hex", "zeta.hex"}));
}

}  // namespace
}  // namespace corvane::test
