// Construction, initialisation and message dispatch of the main window.
#include "app/ui/MainWindow.h"

#include <cstdio>
#include <string>

#include "app/engine/DownloadJob.h"
#include "app/ui/ControlIds.h"
#include "app/ui/MainWindowRecordOps.h"
#include "app/ui/ProgramContext.h"
#include "app/ui/SettingsStore.h"
#include "app/ui/StringTable.h"
#include "app/ui/WindowMessages.h"

namespace corvane {

MainWindow::MainWindow(MainWindowServices services) : services_(services) {
    services_.program.mainWindow = &record_;
    services_.engine.mainWindow = &record_;
}

MainWindow::~MainWindow() {
    DeviceRecord& slot = services_.engine.devices[0];
    if (slot.stagedImage != nullptr) {
        std::fclose(slot.stagedImage);
        slot.stagedImage = nullptr;
    }
    advancedWindow_.reset();
    advanced_.reset();
    FreeDldPath(record_);
    if (services_.program.mainWindow == &record_) {
        services_.program.mainWindow = nullptr;
    }
    if (services_.engine.mainWindow == &record_) {
        services_.engine.mainWindow = nullptr;
    }
}

void MainWindow::OnInitDialog(DialogWindow& window) {
    window_ = &window;
    ReadMainWindowSettings(services_.program.settingsKey, record_);

    char text[64] = {};
    if (LoadString(kStringAboutMenu, text, sizeof(text)) > 0) {
        window.AppendSystemMenuItem(kAboutCommandId, text);
    }
    window.SetIcon(kIconResourceId);
    LoadString(kStringVersion, text, sizeof(text));
    window.SetCaption((std::string("Corvane v") + text).c_str());
    window.SetControlText(MainWindowIds::kPlatformId, "");
    ApplyDisplayState(WaitingForProjector);
    ShowIdentity();
    window.LimitText(MainWindowIds::kNewPartNumber, kPartNumberChars);
    window.LimitText(MainWindowIds::kNewSerialNumber, kSerialNumberChars);
    LoadString(kStringWaitingForConnection, text, sizeof(text));
    window.SetControlText(MainWindowIds::kStatus, text);

    advanced_ = std::make_unique<AdvancedDialog>(window, [this] { RestoreAfterAdvanced(); });
    advancedWindow_ =
        services_.windows.CreateModeless(AdvancedDialogTemplate(), *advanced_, &window);

    if (deviceLink_ != nullptr) {
        deviceLink_->RegisterDeviceNotifications();
    }
    window.PostToWindow(WM_SCAN_DEVICES, 0, 0);
}

void MainWindow::ShowIdentity() {
    window_->SetControlText(MainWindowIds::kPartNumber, record_.currentPartNumber);
    window_->SetControlText(MainWindowIds::kSerialNumber, record_.currentSerialNumber);
}

void MainWindow::OnControl(int id, ControlEvent event) {
    if (window_ == nullptr) {
        return;
    }
    if (event == ControlEvent::GainedFocus) {
        if (id == MainWindowIds::kNewPartNumber || id == MainWindowIds::kNewSerialNumber) {
            window_->SetDefaultButton(MainWindowIds::kProgramIds);
        }
        return;
    }
    if (event == ControlEvent::Clicked) {
        OnButton(id);
    }
}

MessageResult MainWindow::DispatchMessage(uint32_t message, platform::WParam wParam,
                                          platform::LParam lParam) {
    if (window_ == nullptr) {
        // Not created or already closed: only a posted text needs freeing.
        DiscardPostedMessage({message, wParam, lParam});
        return {};
    }
    switch (message) {
        case WM_COMMAND:
            if (CommandNotification(wParam) == 0) {
                OnButton(CommandControlId(wParam));
            }
            return {true, 0};
        case WM_SYSCOMMAND:
            if ((wParam & ~platform::WParam{0xF}) ==
                static_cast<platform::WParam>(kAboutCommandId)) {
                ShowAboutBox();
                return {true, 0};
            }
            return {};
        case WM_CLOSE:
            OnClose();
            return {true, 0};
        case WM_DEVICECHANGE:
            // The link frees the notice; without one it is still ours to free.
            if (deviceLink_ != nullptr) {
                deviceLink_->OnDeviceChange(static_cast<uint32_t>(wParam), lParam);
            } else {
                DiscardPostedMessage({WM_DEVICECHANGE, wParam, lParam});
            }
            return {true, 1};
        case WM_SCAN_DEVICES:
            if (deviceLink_ != nullptr) {
                deviceLink_->OnDeviceChange(kDeviceArrival, 0);
            }
            return {true, 0};
        case WM_OPERATION_DONE:
            if (IsCurrentJobMessage(lParam)) {
                OnOperationDone(wParam);
            }
            return {true, 0};
        case WM_SHOW_ERROR:
            OnShowError(wParam, lParam);
            return {true, 0};
        case WM_SET_CONTROL_TEXT:
            OnSetControlText(wParam, lParam);
            return {true, 0};
        case WM_SET_PROGRESS:
            OnSetProgress(wParam);
            return {true, 0};
        case WM_CLEAR_NVRAM:
            OnClearNvram();
            return {true, 0};
        default:
            return {};
    }
}

bool MainWindow::IsCurrentJobMessage(platform::LParam serial) const {
    const DownloadJob* job = services_.engine.devices[0].job;
    return static_cast<uint32_t>(serial) == (job != nullptr ? job->serial : 0u);
}

bool MainWindow::UsesListBrush(int id) const {
    return id == MainWindowIds::kFileList && record_.MatchFilesToPartNumber != 0;
}

void MainWindow::PostRequest(uint32_t message) {
    if (!services_.downloadThread.Post(message)) {
        DebugPrint(services_.program, "Corvane: no download thread for the request\n");
    }
}

}  // namespace corvane
