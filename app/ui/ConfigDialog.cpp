#include "app/ui/ConfigDialog.h"

#include <cstring>
#include <string>

#include "app/ui/ControlIds.h"
#include "app/ui/MainWindow.h"
#include "app/ui/MainWindowRecordOps.h"
#include "app/ui/PasswordDialog.h"
#include "app/ui/SettingsStore.h"
#include "app/ui/WindowMessages.h"
#include "platform/Paths.h"

namespace corvane {

namespace {

struct CheckBox {
    int id;
    uint32_t ConfigValues::*value;
};

constexpr CheckBox kCheckBoxes[] = {
    {ConfigDialogIds::kHardwareTest, &ConfigValues::hardwareTest},
    {ConfigDialogIds::kMatchDld, &ConfigValues::matchDld},
    {ConfigDialogIds::kFileSelection, &ConfigValues::fileSelection},
    {ConfigDialogIds::kCompletionBox, &ConfigValues::completionBox},
    {ConfigDialogIds::kAdvanced, &ConfigValues::advanced},
    {ConfigDialogIds::kVerifyDownloads, &ConfigValues::verifyDownloads},
};

}  // namespace

ConfigDialog::ConfigDialog(MainWindow& mainWindow) : mainWindow_(mainWindow) {
    const MainWindowRecord& record = mainWindow.Record();
    values_.hardwareTest = record.MatchFilesToHardware;
    values_.matchDld = record.MatchFilesToPartNumber;
    values_.fileSelection = record.EnableFileSelection;
    values_.completionBox = record.ShowCompletionMessageBox;
    values_.advanced = record.EnableAdvancedDialog;
    values_.verifyDownloads = record.VerifyDownloads;
}

void ConfigDialog::OnInitDialog(DialogWindow& window) {
    window_ = &window;
    for (const CheckBox& box : kCheckBoxes) {
        window.SetCheck(box.id, values_.*box.value != 0);
    }
    const OwnedText stored =
        ReadSettingText(mainWindow_.Program().settingsKey, SettingId::ConfigPassword, "");
    const bool matching = values_.matchDld != 0;
    window.EnableControl(ConfigDialogIds::kSelectFiles, !matching);
    window.EnableControl(ConfigDialogIds::kFileSelection, !matching);
    EnableAccessCodeChecks(stored.get());
    const char* dldPath = mainWindow_.Record().dldPath;
    window.ListAddString(ConfigDialogIds::kDldPath, dldPath != nullptr ? dldPath : "");
    window.LimitText(ConfigDialogIds::kPassword, kPasswordEditLimit);
    window.SetControlText(ConfigDialogIds::kPassword, stored.get());
    RefillFileList();
}

void ConfigDialog::OnControl(int id, ControlEvent event) {
    if (window_ == nullptr) {
        return;
    }
    if (event == ControlEvent::LostFocus && id == ConfigDialogIds::kPassword) {
        char typed[kPasswordChars + 1] = {};
        window_->GetControlText(ConfigDialogIds::kPassword, typed, sizeof(typed));
        EnableAccessCodeChecks(typed);
        return;
    }
    if (event != ControlEvent::Clicked) {
        return;
    }
    switch (id) {
        case ConfigDialogIds::kMatchDld:
            OnMatchDld();
            break;
        case ConfigDialogIds::kSelectDldPath:
            ChooseDldFolder();
            break;
        case ConfigDialogIds::kSelectFiles:
            if (window_->IsControlEnabled(id)) {
                mainWindow_.SelectFirmwareFiles();
                RefillFileList();
            }
            break;
        case kIdOk:
            OnOk();
            break;
        case kIdCancel:
            window_->EndDialog(kIdCancel);
            break;
        default:
            break;
    }
}

MessageResult ConfigDialog::DispatchMessage(uint32_t message, platform::WParam, platform::LParam) {
    if (message == WM_CLOSE) {
        OnControl(kIdCancel, ControlEvent::Clicked);
        return {true, 0};
    }
    return {};
}

bool ConfigDialog::UsesListBrush(int id) const {
    return id == ConfigDialogIds::kFileList && values_.matchDld != 0;
}

void ConfigDialog::OnMatchDld() {
    values_.matchDld = window_->IsChecked(ConfigDialogIds::kMatchDld) ? 1 : 0;
    const bool matching = values_.matchDld != 0;
    window_->EnableControl(ConfigDialogIds::kSelectFiles, !matching);
    mainWindow_.Record().MatchFilesToPartNumber = values_.matchDld;
    window_->RedrawControl(ConfigDialogIds::kFileList);
    mainWindow_.Window().RedrawControl(MainWindowIds::kFileList);
    window_->EnableControl(ConfigDialogIds::kFileSelection, !matching);
}

void ConfigDialog::EnableAccessCodeChecks(const char* password) {
    const bool unlocked = std::strcmp(password, kAccessCode) == 0;
    for (int id : {ConfigDialogIds::kHardwareTest, ConfigDialogIds::kAdvanced,
                   ConfigDialogIds::kVerifyDownloads}) {
        window_->EnableControl(id, unlocked);
    }
}

// The folder takes effect in the main window at once, however this dialog
// ends; it always gets a separator appended.
void ConfigDialog::ChooseDldFolder() {
    const std::optional<std::string> folder = window_->ChooseFolder();
    if (!folder) {
        return;
    }
    SetDldPath(mainWindow_.Record(), CopyText((*folder + platform::kPathSeparator).c_str()));
    window_->ListReset(ConfigDialogIds::kDldPath);
    window_->ListAddString(ConfigDialogIds::kDldPath, mainWindow_.Record().dldPath);
}

void ConfigDialog::RefillFileList() {
    window_->ListReset(ConfigDialogIds::kFileList);
    DialogWindow& main = mainWindow_.Window();
    const int count = main.ListCount(MainWindowIds::kFileList);
    for (int index = 0; index < count; ++index) {
        window_->ListAddString(ConfigDialogIds::kFileList,
                               main.ListItemText(MainWindowIds::kFileList, index).c_str());
    }
}

void ConfigDialog::OnOk() {
    char password[kPasswordChars + 1] = {};
    window_->GetControlText(ConfigDialogIds::kPassword, password, sizeof(password));
    WriteSettingText(mainWindow_.Program().settingsKey, SettingId::ConfigPassword, password);
    for (const CheckBox& box : kCheckBoxes) {
        values_.*box.value = window_->IsChecked(box.id) ? 1 : 0;
    }
    window_->EndDialog(kIdOk);
}

}  // namespace corvane
