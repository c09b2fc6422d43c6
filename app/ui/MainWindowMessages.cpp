// The messages the download thread, the Advanced window and the user's close
// box send to the main window.
#include <cstdint>

#include "app/ui/ControlIds.h"
#include "app/ui/DialogTemplates.h"
#include "app/ui/ErrorTable.h"
#include "app/ui/MainWindow.h"
#include "app/ui/MainWindowRecordOps.h"
#include "app/ui/SettingsStore.h"
#include "app/ui/WindowMessages.h"

namespace corvane {

void MainWindow::OnOperationDone(platform::WParam failed) {
    switch (record_.displayState) {
        case WaitingForProjector:
        case ProgrammingIds:
            ApplyDisplayState(Ready);
            break;
        case ClearingNvram:
            advanced_->Unlock();
            ApplyDisplayState(Ready);
            break;
        case Downloading: {
            const bool succeeded = record_.stopFlag == 0;
            record_.stopFlag = 0;
            // The state before the box: the projector restarts while the box
            // is open, and when it returns it must find the window waiting.
            ApplyDisplayState(WaitingForProjector);
            if (succeeded && record_.ShowCompletionMessageBox != 0) {
                window_->ShowMessageBox("Download successful", "Passed",
                                        MessageBoxIcon::Information);
            }
            break;
        }
        case Verifying: {
            const uint32_t mark = stateChanges_;
            if (failed != 0) {
                window_->ShowMessageBox("Failed!", "Flash Verification",
                                        MessageBoxIcon::Exclamation);
            }
            // A projector lost while the box was open leaves the window waiting.
            if (window_ != nullptr && stateChanges_ == mark) {
                ApplyDisplayState(Ready);
            }
            break;
        }
        default:  // Ready: nothing
            break;
    }
}

void MainWindow::OnShowError(platform::WParam index, platform::LParam detail) {
    // Before the box: the WM_OPERATION_DONE that follows the error can be
    // handled while the box is open, and must not report success.
    if (record_.downloadRunning != 0) {
        record_.stopFlag = 1;
    }
    const std::string text =
        FormatErrorMessage(static_cast<uint32_t>(index), reinterpret_cast<const char*>(detail));
    window_->ShowMessageBox(text.c_str(), "Corvane", MessageBoxIcon::Error, true);
}

void MainWindow::OnSetControlText(platform::WParam control, platform::LParam text) {
    const OwnedText owned = TakePostedText(text);
    window_->SetControlText(static_cast<int>(control), owned != nullptr ? owned.get() : "");
}

void MainWindow::OnSetProgress(platform::WParam value) {
    const int32_t position = static_cast<int32_t>(static_cast<uint32_t>(value));
    if (position == kProgressHide || position == kProgressShow) {
        const bool show = position == kProgressShow;
        window_->ShowControl(MainWindowIds::kProgressLabel, show);
        window_->ShowControl(MainWindowIds::kProgressBar, show);
        return;
    }
    int clamped = position;
    if (clamped < kProgressRangeMin) {
        clamped = kProgressRangeMin;
    } else if (clamped > kProgressRangeMax) {
        clamped = kProgressRangeMax;
    }
    window_->SetProgressPosition(MainWindowIds::kProgressBar, clamped);
}

void MainWindow::OnClearNvram() {
    if (record_.displayState != Ready) {
        // Another operation runs (or none can): clearing now would trample
        // its job. The Advanced window is given back its button.
        advanced_->Unlock();
        return;
    }
    ApplyDisplayState(ClearingNvram);
    PostRequest(TM_CLEAR_NVRAM);
}

void MainWindow::OnClose() {
    if (record_.closing != 0) {
        return;  // a second close box click while closing down
    }
    record_.closing = 1;
    if (deviceLink_ != nullptr) {
        deviceLink_->UnregisterDeviceNotifications();
        if (deviceLink_->HasOpenDevice(0)) {
            deviceLink_->CloseDevice(0);
        }
    }
    WriteMainWindowSettings(services_.program.settingsKey, record_);
    FreeDldPath(record_);
    // The owned window goes before its owner; from here on no handler
    // touches a window.
    advanced_->Detach();
    advancedWindow_.reset();
    DialogWindow* window = window_;
    window_ = nullptr;
    window->EndDialog(kIdCancel);
}

}  // namespace corvane
