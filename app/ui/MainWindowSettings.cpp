// The two fixed moments at which the main window's settings meet the store:
// initialisation reads them, close writes them back, always in this order.
#include "app/ui/MainWindowRecordOps.h"
#include "app/ui/SettingsStore.h"

namespace corvane {

namespace {

struct NumberField {
    SettingId id;
    uint32_t MainWindowRecord::*field;
};

constexpr NumberField kNumberFields[] = {
    {SettingId::EnableFileSelection, &MainWindowRecord::EnableFileSelection},
    {SettingId::MatchFilesToHardware, &MainWindowRecord::MatchFilesToHardware},
    {SettingId::MatchFilesToPartNumber, &MainWindowRecord::MatchFilesToPartNumber},
    {SettingId::EnableAdvancedDialog, &MainWindowRecord::EnableAdvancedDialog},
    {SettingId::ShowCompletionMessageBox, &MainWindowRecord::ShowCompletionMessageBox},
    {SettingId::VerifyDownloads, &MainWindowRecord::VerifyDownloads},
};

}  // namespace

void ReadMainWindowSettings(const platform::SettingsKey* key, MainWindowRecord& record) {
    for (const NumberField& entry : kNumberFields) {
        record.*entry.field =
            ReadSettingNumber(key, entry.id, FindSetting(entry.id)->defaultNumber);
    }
    SetDldPath(record, ReadSettingText(key, SettingId::DldPath, ""));
}

void WriteMainWindowSettings(platform::SettingsKey* key, const MainWindowRecord& record) {
    for (const NumberField& entry : kNumberFields) {
        WriteSettingNumber(key, entry.id, record.*entry.field);
    }
    WriteSettingText(key, SettingId::DldPath, record.dldPath != nullptr ? record.dldPath : "");
}

}  // namespace corvane
