// Ids of the dialog templates, their controls and the resources they show.
// Ids are unique within one window only (1007 and 1026 mean different
// controls in the main window and in the configuration dialog).
#pragma once

namespace corvane {

inline constexpr int kIdStatic = -1;  // unnamed labels, group boxes, pictures
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;  // close box or Escape

inline constexpr int kAboutTemplateId = 100;
inline constexpr int kMainTemplateId = 102;
inline constexpr int kConfigTemplateId = 129;
inline constexpr int kPasswordTemplateId = 138;
inline constexpr int kAdvancedTemplateId = 139;

inline constexpr int kIconResourceId = 133;    // the program's icon
inline constexpr int kBannerResourceId = 137;  // the About box's banner

// System-menu command that opens the About box (low four bits are ignored).
inline constexpr int kAboutCommandId = 0x10;

struct MainWindowIds {
    static constexpr int kDownload = 1002;
    static constexpr int kConfig = 1003;
    static constexpr int kProgressBar = 1004;
    static constexpr int kFileList = 1005;
    static constexpr int kAdvanced = 1006;
    static constexpr int kVerify = 1007;
    static constexpr int kSelectFiles = 1008;
    static constexpr int kProgramIds = 1009;
    static constexpr int kProgressLabel = 1011;
    static constexpr int kStatus = 1012;
    static constexpr int kPlatformId = 1014;
    static constexpr int kStop = 1015;
    static constexpr int kNewPartNumber = 1023;
    static constexpr int kNewSerialNumber = 1024;
    static constexpr int kPartNumber = 1025;
    static constexpr int kSerialNumber = 1026;
};

struct ConfigDialogIds {
    static constexpr int kFileSelection = 1007;
    static constexpr int kFileList = 1026;
    static constexpr int kSelectFiles = 1027;
    static constexpr int kMatchDld = 1028;
    static constexpr int kSelectDldPath = 1030;
    static constexpr int kDldPath = 1031;
    static constexpr int kHardwareTest = 1032;
    static constexpr int kPassword = 1034;
    static constexpr int kCompletionBox = 1036;
    static constexpr int kAdvanced = 1037;
    static constexpr int kVerifyDownloads = 1038;
};

struct PasswordDialogIds {
    static constexpr int kPassword = 1033;
};

struct AdvancedDialogIds {
    static constexpr int kClearNvram = 1035;
};

struct AboutDialogIds {
    static constexpr int kVersion = 1018;
};

}  // namespace corvane
