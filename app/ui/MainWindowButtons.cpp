// The main window's buttons. A click is taken only while its button is
// enabled: a click posted earlier (the Program IDs click of a part-number
// match) may arrive after the display state has disabled the button, and must
// not then send a request the download thread cannot take.
#include "app/files/FileSelection.h"
#include "app/ui/AboutDialog.h"
#include "app/ui/ConfigurationFlow.h"
#include "app/ui/ControlIds.h"
#include "app/ui/MainWindow.h"
#include "app/ui/MainWindowRecordOps.h"
#include "app/ui/WindowMessages.h"

namespace corvane {

namespace {

// Window offset of the Advanced window from the main window's corner.
constexpr int kAdvancedOffsetX = 10;
constexpr int kAdvancedOffsetY = 20;

}  // namespace

void MainWindow::OnButton(int id) {
    if (!window_->IsControlEnabled(id)) {
        return;
    }
    switch (id) {
        case MainWindowIds::kDownload:
            OnDownload();
            break;
        case MainWindowIds::kVerify:
            OnVerify();
            break;
        case MainWindowIds::kStop:
            OnStop();
            break;
        case MainWindowIds::kProgramIds:
            OnProgramIds();
            break;
        case MainWindowIds::kSelectFiles:
            SelectFirmwareFiles();
            break;
        case MainWindowIds::kAdvanced:
            OnAdvanced();
            break;
        case MainWindowIds::kConfig:
            OnConfig();
            break;
        default:
            break;
    }
}

void MainWindow::OnDownload() {
    ApplyDisplayState(Downloading);
    record_.downloadRunning = 1;
    record_.currentFileIndex = 0;
    record_.downloadFinished = 0;
    PostRequest(TM_DOWNLOAD);
}

void MainWindow::OnVerify() {
    ApplyDisplayState(Verifying);
    record_.currentFileIndex = 0;
    PostRequest(TM_VERIFY);
}

void MainWindow::OnStop() {
    record_.stopFlag = 1;
    PostRequest(TM_STOP);
}

void MainWindow::OnProgramIds() {
    char partNumber[kPartNumberChars + 1] = {};
    window_->GetControlText(MainWindowIds::kNewPartNumber, partNumber, sizeof(partNumber));
    SetNewPartNumber(record_, partNumber);
    window_->SetControlText(MainWindowIds::kNewPartNumber, "");
    char serialNumber[kSerialNumberChars + 1] = {};
    window_->GetControlText(MainWindowIds::kNewSerialNumber, serialNumber, sizeof(serialNumber));
    SetNewSerialNumber(record_, serialNumber);
    window_->SetControlText(MainWindowIds::kNewSerialNumber, "");
    PostRequest(TM_PROGRAM_IDS);
    ApplyDisplayState(ProgrammingIds);
}

void MainWindow::SelectFirmwareFiles() {
    FileListTarget target{record_, *window_};
    corvane::SelectFirmwareFiles(target, services_.program.settingsKey);
}

void MainWindow::OnAdvanced() {
    if (advancedWindow_ != nullptr) {
        const WindowPosition corner = window_->GetWindowPosition();
        advancedWindow_->MoveWindow(corner.x + kAdvancedOffsetX, corner.y + kAdvancedOffsetY);
    }
    advanced_->Show();
    for (int id : {MainWindowIds::kProgramIds, MainWindowIds::kConfig, MainWindowIds::kAdvanced,
                   MainWindowIds::kSelectFiles}) {
        window_->EnableControl(id, false);
    }
}

void MainWindow::OnConfig() {
    if (RunConfiguration(*this)) {
        ApplyDisplayState(static_cast<DisplayState>(record_.displayState));
    }
}

void MainWindow::ShowAboutBox() {
    AboutDialog about;
    services_.windows.RunModal(AboutDialogTemplate(), about, window_);
}

}  // namespace corvane
