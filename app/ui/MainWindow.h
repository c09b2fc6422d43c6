// The main window's controller: initialisation, the handlers of its buttons
// and of the messages the download thread and the device link post to it,
// the display states, and close-down. It owns the run's central record
// (MainWindowRecord), which the download thread and the device link reach
// through the program and engine contexts.
#pragma once

#include <memory>

#include "app/engine/EngineContext.h"
#include "app/ui/AdvancedDialog.h"
#include "app/ui/DeviceLink.h"
#include "app/ui/DialogWindow.h"
#include "app/ui/DisplayState.h"
#include "app/ui/DownloadThreadRequests.h"
#include "app/ui/MainWindowRecord.h"
#include "app/ui/ProgramContext.h"
#include "app/ui/WindowFactory.h"

namespace corvane {

struct MainWindowServices {
    ProgramContext& program;
    EngineContext& engine;
    WindowFactory& windows;
    DownloadThreadRequests& downloadThread;
};

class MainWindow : public DialogHandler {
public:
    // Makes its record the program's and the engine's main window record.
    explicit MainWindow(MainWindowServices services);
    // Closes a staged image the device record still holds and detaches the
    // record from the contexts.
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Set before the window is created; not owned.
    void SetDeviceLink(DeviceLink* link) { deviceLink_ = link; }

    // DialogHandler: the front end's loop calls DispatchMessage for every
    // message posted to the main window.
    void OnInitDialog(DialogWindow& window) override;
    void OnControl(int id, ControlEvent event) override;
    MessageResult DispatchMessage(uint32_t message, platform::WParam wParam,
                                  platform::LParam lParam) override;
    bool UsesListBrush(int id) const override;

    // Whether a WM_OPERATION_DONE with this second parameter comes from the
    // slot's current job; the completion of a job that is gone is dropped.
    bool IsCurrentJobMessage(platform::LParam serial) const;

    // Enables, focuses and labels the controls for state, performs the
    // state's other effects and stores it. Also used by the device link and
    // after the configuration dialog.
    void ApplyDisplayState(DisplayState state);
    void SelectFirmwareFiles();

    MainWindowRecord& Record() { return record_; }
    const MainWindowRecord& Record() const { return record_; }
    // Valid from OnInitDialog until the modal run ends.
    DialogWindow& Window() { return *window_; }
    bool HasWindow() const { return window_ != nullptr; }
    // Valid after OnInitDialog.
    AdvancedDialog& Advanced() { return *advanced_; }
    ProgramContext& Program() { return services_.program; }
    EngineContext& Engine() { return services_.engine; }
    WindowFactory& Windows() { return services_.windows; }

private:
    void OnButton(int id);
    void OnDownload();
    void OnVerify();
    void OnStop();
    void OnProgramIds();
    void OnAdvanced();
    void OnConfig();
    void ShowAboutBox();
    void RestoreAfterAdvanced();
    void OnOperationDone(platform::WParam failed);
    void OnShowError(platform::WParam index, platform::LParam detail);
    void OnSetControlText(platform::WParam control, platform::LParam text);
    void OnSetProgress(platform::WParam value);
    void OnClearNvram();
    void OnClose();
    void PostRequest(uint32_t message);
    void ApplyButtonRules(DisplayState state);
    void ApplyStateEffects(DisplayState state);
    void ShowIdentity();

    MainWindowServices services_;
    MainWindowRecord record_;
    DialogWindow* window_ = nullptr;
    DeviceLink* deviceLink_ = nullptr;
    std::unique_ptr<AdvancedDialog> advanced_;
    std::unique_ptr<DialogWindow> advancedWindow_;
    // Counts ApplyDisplayState calls: a message box keeps delivering posted
    // messages, so a state can be applied (the projector lost) while a
    // handler waits for its box; the handler must not then apply its own.
    uint32_t stateChanges_ = 0;
};

}  // namespace corvane
