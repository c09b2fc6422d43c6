// The five windows' control tables. Positions are x, y, width, height in
// dialog units.
#include "app/ui/DialogTemplates.h"

namespace corvane {

namespace {

using K = ControlKind;

constexpr const char* kFont = "MS Sans Serif";
constexpr int kFontPoints = 8;
constexpr const char* kRunTime = "Dummy Text";  // replaced before the window is first seen
constexpr uint32_t kDialogStyle = kWindowCaption | kWindowSystemMenu | kWindowModalFrame;

constexpr ControlTemplate kMainControls[] = {
    {kIdStatic, K::Label, "Projector Platform:", 8, 3, 58, 8},
    {MainWindowIds::kPlatformId, K::Label, kRunTime, 67, 3, 167, 8},
    {kIdStatic, K::GroupBox, "Controller Board Identification", 8, 17, 213, 42},
    {kIdStatic, K::Label, "PN:", 15, 31, 13, 8},
    {MainWindowIds::kPartNumber, K::Label, kRunTime, 31, 31, 58, 9},
    {MainWindowIds::kNewPartNumber, K::Edit, "", 90, 29, 60, 12, kControlAutoHScroll},
    {kIdStatic, K::Label, "SN:", 15, 45, 13, 8},
    {MainWindowIds::kSerialNumber, K::Label, kRunTime, 31, 45, 58, 9},
    {MainWindowIds::kNewSerialNumber, K::Edit, "", 90, 43, 60, 12},
    {MainWindowIds::kProgramIds, K::Button, "Program IDs", 160, 35, 50, 14},
    {kIdStatic, K::Label, "File List:", 8, 64, 26, 8},
    {MainWindowIds::kFileList, K::ListBox, "", 8, 73, 115, 40,
     kControlNoSelection | kControlVScroll},
    {MainWindowIds::kConfig, K::DefaultButton, "Config", 184, 76, 50, 14},
    {MainWindowIds::kAdvanced, K::DefaultButton, "Advanced", 184, 95, 50, 14},
    {MainWindowIds::kSelectFiles, K::Button, "Select Files", 8, 118, 50, 14},
    {MainWindowIds::kDownload, K::Button, "Download", 74, 118, 50, 14},
    {MainWindowIds::kVerify, K::Button, "Verify", 74, 138, 50, 14},
    {MainWindowIds::kProgressLabel, K::Label, "Download Progress:", 8, 164, 64, 8,
     kControlHiddenAtStart},
    {MainWindowIds::kProgressBar, K::ProgressBar, "", 78, 162, 80, 14,
     kControlSmooth | kControlBorder | kControlHiddenAtStart},
    {MainWindowIds::kStop, K::Button, "Stop", 184, 169, 50, 14},
    {kIdStatic, K::Label, "Status:", 8, 182, 22, 8},
    {MainWindowIds::kStatus, K::Label, kRunTime, 32, 182, 145, 8, kControlNoWordWrap},
};

constexpr ControlTemplate kConfigControls[] = {
    {kIdStatic, K::GroupBox, "Auto-Match", 10, 10, 206, 52},
    {ConfigDialogIds::kMatchDld, K::CheckBox, "Match .DLD to Part Number", 16, 22, 104, 10},
    {ConfigDialogIds::kSelectDldPath, K::Button, "Select .DLD Path", 133, 19, 61, 14},
    {kIdStatic, K::Label, ".DLD Path:", 19, 34, 33, 9},
    {ConfigDialogIds::kDldPath, K::ListBox, "", 16, 44, 193, 13},
    {kIdStatic, K::Label, "File List:", 27, 68, 37, 9},
    {ConfigDialogIds::kFileList, K::ListBox, "", 27, 79, 113, 40, kControlSorted | kControlVScroll},
    {ConfigDialogIds::kSelectFiles, K::Button, "Select Files", 149, 79, 50, 14},
    {ConfigDialogIds::kFileSelection, K::CheckBox, "Enable File Selection in Main Dialog", 27, 129,
     129, 10},
    {ConfigDialogIds::kHardwareTest, K::CheckBox, "Test for HW Compatibility", 27, 142, 95, 10},
    {ConfigDialogIds::kAdvanced, K::CheckBox, "Enable Advanced Dialog", 27, 155, 95, 10},
    {ConfigDialogIds::kCompletionBox, K::CheckBox, "Completion Message Box", 27, 168, 95, 10},
    {ConfigDialogIds::kVerifyDownloads, K::CheckBox, "Verify Downloads", 27, 181, 71, 10},
    {kIdStatic, K::Label, "Password:", 74, 202, 34, 8},
    {ConfigDialogIds::kPassword, K::Edit, "", 112, 200, 39, 12, kControlMasked},
    {kIdOk, K::DefaultButton, "OK", 88, 222, 50, 14},
};

constexpr ControlTemplate kPasswordControls[] = {
    {PasswordDialogIds::kPassword, K::Edit, "", 30, 7, 43, 12, kControlMasked},
    {kIdOk, K::DefaultButton, "OK", 26, 28, 50, 14},
};

constexpr ControlTemplate kAdvancedControls[] = {
    {AdvancedDialogIds::kClearNvram, K::Button, "Clear NVRAM", 28, 14, 50, 14},
    {kIdOk, K::DefaultButton, "OK", 28, 36, 50, 14},
};

constexpr ControlTemplate kAboutControls[] = {
    {kIdStatic, K::Image, "", 25, 7, 142, 18, 0, kBannerResourceId},
    {kIdStatic, K::Icon, "", 13, 33, 21, 20, 0, kIconResourceId},
    {kIdStatic, K::Label, "Version:", 40, 30, 25, 10},
    {AboutDialogIds::kVersion, K::Label, "", 67, 30, 57, 8},
    {kIdOk, K::DefaultButton, "OK", 68, 66, 50, 14},
};

// The main window's caption is replaced at initialisation.
constexpr DialogTemplate kMain = {
    kMainTemplateId,
    "Corvane",
    241,
    196,
    kFont,
    kFontPoints,
    kWindowVisible | kWindowCaption | kWindowSystemMenu | kWindowTaskbarButton,
    kMainControls};
constexpr DialogTemplate kConfig = {
    kConfigTemplateId, "Corvane Configuration", 226, 246, kFont, kFontPoints,
    kDialogStyle,      kConfigControls};
constexpr DialogTemplate kPassword = {
    kPasswordTemplateId, "Enter Password", 103, 49, kFont, kFontPoints,
    kDialogStyle,        kPasswordControls};
// Created hidden as a modeless window; the Advanced button shows it.
constexpr DialogTemplate kAdvanced = {
    kAdvancedTemplateId, "Corvane Advanced", 105, 58, kFont, kFontPoints,
    kDialogStyle,        kAdvancedControls};
constexpr DialogTemplate kAbout = {kAboutTemplateId, "About Corvane", 193,           87, kFont,
                                   kFontPoints,      kDialogStyle,    kAboutControls};

constexpr const DialogTemplate* kAll[] = {&kMain, &kConfig, &kPassword, &kAdvanced, &kAbout};

}  // namespace

const DialogTemplate& MainWindowTemplate() {
    return kMain;
}
const DialogTemplate& ConfigDialogTemplate() {
    return kConfig;
}
const DialogTemplate& PasswordDialogTemplate() {
    return kPassword;
}
const DialogTemplate& AdvancedDialogTemplate() {
    return kAdvanced;
}
const DialogTemplate& AboutDialogTemplate() {
    return kAbout;
}

std::span<const DialogTemplate* const> AllDialogTemplates() {
    return kAll;
}

}  // namespace corvane
