// ApplyDisplayState: which of the main window's controls can be used in each
// display state, and what else entering a state does.
#include <cstring>

#include "app/files/DownloadList.h"
#include "app/ui/ControlIds.h"
#include "app/ui/MainWindow.h"
#include "app/ui/MainWindowRecordOps.h"
#include "app/ui/StringTable.h"

namespace corvane {

namespace {

enum class Rule { Unchanged, Enable, Disable };

Rule When(bool enable) {
    return enable ? Rule::Enable : Rule::Disable;
}

void Apply(DialogWindow& window, int id, Rule rule) {
    if (rule != Rule::Unchanged) {
        window.EnableControl(id, rule == Rule::Enable);
    }
}

bool SelectFilesAllowed(const MainWindowRecord& record) {
    return record.EnableFileSelection != 0 && record.MatchFilesToPartNumber == 0;
}

}  // namespace

void MainWindow::ApplyDisplayState(DisplayState state) {
    if (window_ == nullptr) {
        return;
    }
    const uint32_t mark = ++stateChanges_;
    ApplyStateEffects(state);
    if (stateChanges_ != mark) {
        return;  // a state applied while the match's message box was open holds
    }
    ApplyButtonRules(state);
    if (advanced_ != nullptr) {
        advanced_->AllowClearing(state == Ready);
    }
    if (state == WaitingForProjector || state == Ready) {
        record_.downloadRunning = 0;
    }
    if (state == WaitingForProjector) {
        char text[64] = {};
        LoadString(kStringWaitingForConnection, text, sizeof(text));
        window_->SetControlText(MainWindowIds::kStatus, text);
    }
    record_.displayState = state;
}

// The effects that come before the buttons.
void MainWindow::ApplyStateEffects(DisplayState state) {
    switch (state) {
        case WaitingForProjector:
            window_->SetControlText(MainWindowIds::kPlatformId, "");
            std::memset(record_.currentPartNumber, 0, sizeof(record_.currentPartNumber));
            std::memset(record_.currentSerialNumber, 0, sizeof(record_.currentSerialNumber));
            ShowIdentity();
            if (record_.MatchFilesToPartNumber != 0) {
                window_->ListReset(MainWindowIds::kFileList);
                record_.fileCount = 0;
            }
            break;
        case Ready:
            if (record_.MatchFilesToPartNumber != 0) {
                FileListTarget target{record_, *window_};
                MatchDownloadListToPartNumber(target);
            }
            break;
        case ClearingNvram:
            SetCurrentPartNumber(record_, "INVALID");
            SetCurrentSerialNumber(record_, "INVALID");
            ShowIdentity();
            break;
        default:
            break;
    }
}

void MainWindow::ApplyButtonRules(DisplayState state) {
    DialogWindow& window = *window_;
    const bool haveFiles = record_.fileCount > 0;
    char download[32] = {};
    LoadString(kStringDownload, download, sizeof(download));
    Rule programIds = Rule::Disable, config = Rule::Disable, advanced = Rule::Disable,
         selectFiles = Rule::Disable, downloadButton = Rule::Disable, verify = Rule::Disable,
         stop = Rule::Disable;
    switch (state) {
        case WaitingForProjector:
            config = Rule::Enable;
            selectFiles = When(SelectFilesAllowed(record_));
            break;
        case Ready:
            programIds = Rule::Enable;
            config = Rule::Enable;
            advanced = record_.EnableAdvancedDialog != 0 ? Rule::Enable : Rule::Unchanged;
            selectFiles = When(SelectFilesAllowed(record_));
            downloadButton = When(haveFiles);
            verify = When(haveFiles);
            break;
        case ClearingNvram:
            config = selectFiles = stop = Rule::Unchanged;
            break;
        case ProgrammingIds:
            // The identification is read again: no other request may start
            // before it is done, or its completion would end that request.
            config = advanced = selectFiles = stop = Rule::Unchanged;
            break;
        case Downloading:
            stop = Rule::Enable;
            break;
        case Verifying:
            stop = Rule::Unchanged;
            break;
    }
    Apply(window, MainWindowIds::kProgramIds, programIds);
    Apply(window, MainWindowIds::kConfig, config);
    Apply(window, MainWindowIds::kAdvanced, advanced);
    Apply(window, MainWindowIds::kSelectFiles, selectFiles);
    if (state == WaitingForProjector || state == Ready) {
        window.SetControlText(MainWindowIds::kDownload, download);
    }
    Apply(window, MainWindowIds::kDownload, downloadButton);
    if (state == Ready && haveFiles) {
        window.FocusControl(MainWindowIds::kDownload);
    }
    Apply(window, MainWindowIds::kVerify, verify);
    Apply(window, MainWindowIds::kStop, stop);
    if (state == Downloading) {
        window.FocusControl(MainWindowIds::kStop);
    }
}

// Closing the Advanced window gives its four buttons back as the current
// display state has them: enabling them whatever the state would let the
// user change the file list or the settings while a download thread reads
// them.
void MainWindow::RestoreAfterAdvanced() {
    if (window_ == nullptr) {
        return;
    }
    const DisplayState state = static_cast<DisplayState>(record_.displayState);
    if (state != Ready && state != WaitingForProjector) {
        return;  // the state's own rules keep them disabled
    }
    window_->EnableControl(MainWindowIds::kProgramIds, state == Ready);
    window_->EnableControl(MainWindowIds::kConfig, true);
    window_->EnableControl(MainWindowIds::kAdvanced, state == Ready);
    window_->EnableControl(MainWindowIds::kSelectFiles, SelectFilesAllowed(record_));
}

}  // namespace corvane
