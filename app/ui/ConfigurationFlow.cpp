#include "app/ui/ConfigurationFlow.h"

#include <cstring>

#include "app/ui/ConfigDialog.h"
#include "app/ui/ControlIds.h"
#include "app/ui/MainWindow.h"
#include "app/ui/PasswordDialog.h"
#include "app/ui/SettingsStore.h"

namespace corvane {

bool RunConfiguration(MainWindow& mainWindow) {
    ConfigDialog config(mainWindow);
    PasswordDialog password;
    const OwnedText stored =
        ReadSettingText(mainWindow.Program().settingsKey, SettingId::ConfigPassword, "");
    WindowFactory& windows = mainWindow.Windows();
    if (stored[0] != '\0') {
        if (windows.RunModal(PasswordDialogTemplate(), password, &mainWindow.Window()) != kIdOk) {
            return false;
        }
        if (std::strcmp(password.Entered(), stored.get()) != 0) {
            mainWindow.Window().ShowMessageBox("Invalid Password", "Corvane",
                                               MessageBoxIcon::Error);
            return false;
        }
    }
    windows.RunModal(ConfigDialogTemplate(), config, &mainWindow.Window());
    // However the dialog ended: on cancel these are the values it started
    // with, except the match switch, which its check box changes at once.
    const ConfigValues& values = config.Values();
    MainWindowRecord& record = mainWindow.Record();
    record.EnableFileSelection = values.fileSelection;
    record.MatchFilesToHardware = values.hardwareTest;
    record.MatchFilesToPartNumber = values.matchDld;
    record.EnableAdvancedDialog = values.advanced;
    record.ShowCompletionMessageBox = values.completionBox;
    record.VerifyDownloads = values.verifyDownloads;
    return true;
}

}  // namespace corvane
