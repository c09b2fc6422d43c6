// The configuration dialog: the six switches of the main window, the .DLD
// folder, the file selection and the password field. Its switches are
// copies, handed back to the main window by the configuration flow; only
// "Match .DLD to Part Number" and the .DLD folder take effect at once.
#pragma once

#include <cstdint>

#include "app/ui/DialogWindow.h"

namespace corvane {

class MainWindow;

struct ConfigValues {
    uint32_t hardwareTest = 0;     // MatchFilesToHardware, check box 1032
    uint32_t matchDld = 0;         // MatchFilesToPartNumber, check box 1028
    uint32_t fileSelection = 0;    // EnableFileSelection, check box 1007
    uint32_t completionBox = 0;    // ShowCompletionMessageBox, check box 1036
    uint32_t advanced = 0;         // EnableAdvancedDialog, check box 1037
    uint32_t verifyDownloads = 0;  // VerifyDownloads, check box 1038
};

class ConfigDialog : public DialogHandler {
public:
    // Copies the six settings from the main window's record.
    explicit ConfigDialog(MainWindow& mainWindow);

    void OnInitDialog(DialogWindow& window) override;
    void OnControl(int id, ControlEvent event) override;
    MessageResult DispatchMessage(uint32_t message, platform::WParam wParam,
                                  platform::LParam lParam) override;
    bool UsesListBrush(int id) const override;

    const ConfigValues& Values() const { return values_; }

private:
    void OnMatchDld();
    void ChooseDldFolder();
    void RefillFileList();
    void EnableAccessCodeChecks(const char* password);
    void OnOk();

    MainWindow& mainWindow_;
    DialogWindow* window_ = nullptr;
    ConfigValues values_;
};

}  // namespace corvane
