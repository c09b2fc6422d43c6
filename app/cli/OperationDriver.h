// The user at the terminal for one device command: waits for the projector
// to become ready, presses the buttons of the operation as a user would
// (Select Files, Download, Verify, Program IDs after typing the numbers,
// Advanced and its Clear NVRAM), waits until the window leaves the
// operation's display state, judges the result from what the window showed,
// and closes the window. Ctrl-C presses Stop once; when Stop cannot be
// pressed it closes the window.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/DeviceOptions.h"
#include "app/cli/EventPrinter.h"
#include "app/cli/Interrupt.h"
#include "app/cli/TextWindowFactory.h"
#include "app/ui/Application.h"

namespace corvane::cli {

enum class OperationKind { Info, Download, Verify, ProgramIds, ClearNvram };

const char* OperationName(OperationKind kind);

struct OperationRequest {
    OperationKind kind = OperationKind::Info;
    // The files as the open-file dialog returns them; nullopt: keep the
    // window's list (a list matched to the part number).
    std::optional<OpenFileResult> selection;
    std::optional<std::string> newPartNumber;
    std::optional<std::string> newSerialNumber;
};

class OperationDriver : public MainLoopDriver, public WindowEvents {
public:
    OperationDriver(Application& application, TextWindowFactory& windows, EventPrinter& printer,
                    const DeviceOptions& options, OperationRequest request,
                    const InterruptWatch* interrupts);

    void Started(TextWindow& mainWindow) override;
    void Delivering(const platform::Message& message) override;
    void Tick() override;

    // WindowEvents: passed on to the printer, boxes noted.
    void ControlTextChanged(int templateId, int id, const std::string& text) override;
    void ProgressShown(bool shown) override;
    void ProgressChanged(int percent) override;
    void MessageBoxShown(const std::string& caption, const std::string& text,
                         MessageBoxIcon icon) override;

    int ExitStatus() const { return exitStatus_; }
    const OperationSummary& Summary() const { return summary_; }
    // What the terminal can do when a box asks to unplug or power-cycle the
    // projector (the virtual projector can be unplugged); false: nothing.
    void SetPowerCycle(std::function<bool()> powerCycle) { powerCycle_ = std::move(powerCycle); }

    bool HasStarted() const { return main_ != nullptr; }
    // The settings this run changed for itself, with their saved values.
    uint32_t SavedVerifyDownloads() const { return savedVerify_; }
    uint32_t SavedMatchFilesToHardware() const { return savedMatchHardware_; }

private:
    enum class Phase { WaitingForReady, Running, Finished };

    void OnReady();
    bool SelectFiles();
    bool Press();
    void WatchOperation();
    void OnInterrupt();
    void TakeIdentity();
    void PrepareProgress();
    void Finish(int exitStatus, const std::string& error);
    void CloseWindow();
    DisplayState State() const;
    DisplayState RunningState() const;
    double Seconds() const;

    Application& application_;
    TextWindowFactory& windows_;
    EventPrinter& printer_;
    const DeviceOptions& options_;
    OperationRequest request_;
    const InterruptWatch* interrupts_;
    TextWindow* window_ = nullptr;
    MainWindow* main_ = nullptr;

    Phase phase_ = Phase::WaitingForReady;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point deadline_;
    bool entered_ = false;    // the window has been in the operation's state
    bool completed_ = false;  // the download thread announced a clean end
    bool verifyFailed_ = false;
    bool interrupted_ = false;
    int interruptsSeen_ = 0;
    std::optional<std::string> failure_;  // the first error the window showed
    std::optional<uint32_t> errorCode_;
    uint32_t savedVerify_ = 0;
    uint32_t savedMatchHardware_ = 0;

    std::function<bool()> powerCycle_;

    std::vector<uint64_t> stagedBytes_;
    int currentFile_ = -1;
    uint64_t bytesDone_ = 0;  // of the files before the current one
    int percent_ = 0;

    int exitStatus_ = kExitFailure;
    OperationSummary summary_;
};

}  // namespace corvane::cli
