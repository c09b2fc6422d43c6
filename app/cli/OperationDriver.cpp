#include "app/cli/OperationDriver.h"

#include <algorithm>
#include <cstring>

#include "app/cli/StagedImages.h"
#include "app/ui/ControlIds.h"
#include "app/ui/ErrorTable.h"
#include "app/ui/StringTable.h"
#include "app/ui/WindowMessages.h"

namespace corvane::cli {

namespace {

using Clock = std::chrono::steady_clock;

// Error codes of the download thread that mean the file itself is unusable.
bool IsFileError(uint32_t code) {
    return code == 4 || code == 6 || code == 7;
}

}  // namespace

const char* OperationName(OperationKind kind) {
    switch (kind) {
        case OperationKind::Info:
            return "info";
        case OperationKind::Download:
            return "download";
        case OperationKind::Verify:
            return "verify";
        case OperationKind::ProgramIds:
            return "program-ids";
        case OperationKind::ClearNvram:
            return "clear-nvram";
    }
    return "?";
}

OperationDriver::OperationDriver(Application& application, TextWindowFactory& windows,
                                 EventPrinter& printer, const DeviceOptions& options,
                                 OperationRequest request, const InterruptWatch* interrupts)
    : application_(application),
      windows_(windows),
      printer_(printer),
      options_(options),
      request_(std::move(request)),
      interrupts_(interrupts) {
    summary_.operation = OperationName(request_.kind);
    started_ = Clock::now();
}

DisplayState OperationDriver::State() const {
    return static_cast<DisplayState>(main_->Record().displayState);
}

DisplayState OperationDriver::RunningState() const {
    switch (request_.kind) {
        case OperationKind::Download:
            return Downloading;
        case OperationKind::Verify:
            return Verifying;
        case OperationKind::ProgramIds:
            return ProgrammingIds;
        case OperationKind::ClearNvram:
            return ClearingNvram;
        default:
            return Ready;
    }
}

double OperationDriver::Seconds() const {
    return std::chrono::duration<double>(Clock::now() - started_).count();
}

void OperationDriver::Started(TextWindow& mainWindow) {
    window_ = &mainWindow;
    main_ = &application_.Main();
    // This run's choices; the session writes the saved values back once the
    // window has written its settings (the download thread may read these
    // fields until the window has closed the device).
    MainWindowRecord& record = main_->Record();
    savedVerify_ = record.VerifyDownloads;
    savedMatchHardware_ = record.MatchFilesToHardware;
    if (options_.verify) {
        record.VerifyDownloads = 1;
    }
    if (options_.noHwMatch) {
        record.MatchFilesToHardware = 0;
    }
    started_ = Clock::now();
    deadline_ = started_ + std::chrono::duration_cast<Clock::duration>(
                               std::chrono::duration<double>(options_.timeoutSeconds));
}

void OperationDriver::Delivering(const platform::Message& message) {
    switch (message.message) {
        case WM_SHOW_ERROR: {
            const auto code = static_cast<uint32_t>(message.wParam);
            const std::string text =
                FormatErrorMessage(code, reinterpret_cast<const char*>(message.lParam));
            if (!errorCode_) {
                errorCode_ = code;
            }
            printer_.EngineError(code, text);
            break;
        }
        case WM_OPERATION_DONE:
            if (phase_ == Phase::Running && State() == RunningState() &&
                main_->IsCurrentJobMessage(message.lParam)) {
                const bool stopped = main_->Record().stopFlag != 0;
                if (request_.kind == OperationKind::Verify && message.wParam != 0) {
                    verifyFailed_ = true;
                } else if (message.wParam == 0 && !stopped) {
                    completed_ = true;
                }
            }
            break;
        case WM_SET_CONTROL_TEXT: {
            const char* text = reinterpret_cast<const char*>(message.lParam);
            const char* downloading = LoadStringText(kStringDownloading);
            if (phase_ == Phase::Running && message.wParam == MainWindowIds::kStatus &&
                text != nullptr && downloading != nullptr &&
                std::strncmp(text, downloading, std::strlen(downloading)) == 0) {
                // The next file starts: the bar counts its staged image.
                if (currentFile_ >= 0 && static_cast<size_t>(currentFile_) < stagedBytes_.size()) {
                    bytesDone_ += stagedBytes_[static_cast<size_t>(currentFile_)];
                }
                ++currentFile_;
                percent_ = 0;
                const size_t index = static_cast<size_t>(currentFile_);
                printer_.ProgressScale(index < stagedBytes_.size() ? stagedBytes_[index] : 0);
            }
            break;
        }
        default:
            break;
    }
}

void OperationDriver::Tick() {
    if (interrupts_ != nullptr && interrupts_->Count() > interruptsSeen_) {
        interruptsSeen_ = interrupts_->Count();
        OnInterrupt();
        if (phase_ == Phase::Finished) {
            return;
        }
    }
    switch (phase_) {
        case Phase::WaitingForReady:
            if (failure_) {
                // The projector came but its identification showed an error
                // (the window may still go on to Ready): nothing is pressed.
                Finish(kExitFailure, *failure_);
            } else if (State() == Ready) {
                OnReady();
            } else if (Clock::now() >= deadline_) {
                char text[96];
                std::snprintf(text, sizeof text, "No projector was ready within %g s",
                              options_.timeoutSeconds);
                Finish(kExitNoProjector, text);
            }
            break;
        case Phase::Running:
            WatchOperation();
            break;
        case Phase::Finished:
            break;
    }
}

void OperationDriver::OnReady() {
    TakeIdentity();
    switch (request_.kind) {
        case OperationKind::Info:
            Finish(kExitSuccess, "");
            return;
        case OperationKind::Download:
        case OperationKind::Verify:
            if (!SelectFiles()) {
                return;
            }
            PrepareProgress();
            break;
        default:
            break;
    }
    Press();
}

bool OperationDriver::SelectFiles() {
    const MainWindowRecord& record = main_->Record();
    if (request_.selection) {
        windows_.SetChosenFiles(std::move(request_.selection));
        request_.selection.reset();
        if (!window_->Click(MainWindowIds::kSelectFiles)) {
            Finish(kExitBadUsage,
                   "File selection is turned off in the settings (EnableFileSelection or "
                   "MatchFilesToPartNumber)");
            return false;
        }
    }
    if (failure_) {
        Finish(kExitBadUsage, *failure_);
        return false;
    }
    if (record.fileCount == 0) {
        Finish(kExitBadUsage, "No firmware file to download");
        return false;
    }
    for (int i = 0; i < record.fileCount; ++i) {
        summary_.files.emplace_back(record.filePaths[i]);
    }
    return true;
}

void OperationDriver::PrepareProgress() {
    if (request_.kind != OperationKind::Download) {
        return;
    }
    const MainWindowRecord& record = main_->Record();
    for (const std::string& file : summary_.files) {
        const StagedImage staged =
            StageFile(file, record.platformId, record.MatchFilesToHardware != 0,
                      application_.Engine().partitions);
        stagedBytes_.push_back(staged.result >= 0 ? staged.bytes : 0);
    }
}

bool OperationDriver::Press() {
    bool pressed = false;
    switch (request_.kind) {
        case OperationKind::Download:
            pressed = window_->Click(MainWindowIds::kDownload);
            break;
        case OperationKind::Verify:
            pressed = window_->Click(MainWindowIds::kVerify);
            break;
        case OperationKind::ProgramIds:
            if (request_.newPartNumber &&
                !window_->Type(MainWindowIds::kNewPartNumber, *request_.newPartNumber)) {
                Finish(kExitBadUsage, "The part number does not fit its edit");
                return false;
            }
            if (request_.newSerialNumber &&
                !window_->Type(MainWindowIds::kNewSerialNumber, *request_.newSerialNumber)) {
                Finish(kExitBadUsage, "The serial number does not fit its edit");
                return false;
            }
            pressed = window_->Click(MainWindowIds::kProgramIds);
            break;
        case OperationKind::ClearNvram: {
            if (!window_->Click(MainWindowIds::kAdvanced)) {
                Finish(kExitBadUsage,
                       "The Advanced window is turned off in the settings (EnableAdvancedDialog)");
                return false;
            }
            TextWindow* advanced = windows_.Modeless(kAdvancedTemplateId);
            pressed = advanced != nullptr && advanced->Click(AdvancedDialogIds::kClearNvram);
            break;
        }
        default:
            break;
    }
    if (!pressed) {
        Finish(kExitFailure, std::string("The window does not let ") +
                                 OperationName(request_.kind) + " start now");
        return false;
    }
    entered_ = State() == RunningState();
    phase_ = Phase::Running;
    return true;
}

void OperationDriver::WatchOperation() {
    const DisplayState state = State();
    if (state == RunningState()) {
        entered_ = true;
        return;
    }
    if (!entered_ && state != WaitingForProjector) {
        return;  // the press is still on its way through the queue
    }
    const MainWindowRecord& record = main_->Record();
    if (interrupted_) {
        Finish(kExitFailure, "Interrupted: Stop was pressed");
    } else if (failure_) {
        Finish(errorCode_ && IsFileError(*errorCode_) ? kExitBadUsage : kExitFailure, *failure_);
    } else if (verifyFailed_) {
        Finish(kExitFailure, "Flash Verification: Failed!");
    } else if (!completed_) {
        Finish(kExitFailure, "The operation ended without completing");
    } else if (request_.newPartNumber &&
               *request_.newPartNumber != std::string(record.currentPartNumber)) {
        Finish(kExitFailure, "The projector reports part number \"" +
                                 std::string(record.currentPartNumber) + "\" afterwards");
    } else if (request_.newSerialNumber &&
               *request_.newSerialNumber != std::string(record.currentSerialNumber)) {
        Finish(kExitFailure, "The projector reports serial number \"" +
                                 std::string(record.currentSerialNumber) + "\" afterwards");
    } else {
        if (request_.kind == OperationKind::ProgramIds) {
            TakeIdentity();
        }
        Finish(kExitSuccess, "");
    }
}

void OperationDriver::OnInterrupt() {
    const bool first = !interrupted_;
    interrupted_ = true;
    if (first && phase_ == Phase::Running && window_->IsControlEnabled(MainWindowIds::kStop)) {
        printer_.Note("Interrupted: pressing Stop");
        window_->Click(MainWindowIds::kStop);
        return;
    }
    // Nothing to stop, or Stop already pressed: the close box ends the
    // device's threads cleanly.
    Finish(kExitFailure, "Interrupted");
}

void OperationDriver::TakeIdentity() {
    const MainWindowRecord& record = main_->Record();
    summary_.platform = record.platformId;
    summary_.partNumber = record.currentPartNumber;
    summary_.serialNumber = record.currentSerialNumber;
    const PartitionTable& table = application_.Engine().partitions;
    summary_.partitions.clear();
    for (int i = 0; i < table.count; ++i) {
        const uint32_t end = i + 1 < table.count ? table.start[i + 1] : table.flashSize;
        summary_.partitions.push_back({table.start[i], end});
    }
}

void OperationDriver::Finish(int exitStatus, const std::string& error) {
    if (phase_ == Phase::Finished) {
        return;
    }
    phase_ = Phase::Finished;
    exitStatus_ = exitStatus;
    summary_.ok = exitStatus == kExitSuccess;
    summary_.errorText = error;
    summary_.errorCode = summary_.ok ? std::nullopt : errorCode_;
    summary_.seconds = Seconds();
    if (request_.kind == OperationKind::Download) {
        uint64_t bytes = bytesDone_;
        if (summary_.ok) {
            bytes = 0;
            for (const uint64_t each : stagedBytes_) {
                bytes += each;
            }
        } else if (currentFile_ >= 0 && static_cast<size_t>(currentFile_) < stagedBytes_.size()) {
            bytes += stagedBytes_[static_cast<size_t>(currentFile_)] *
                     static_cast<uint64_t>(percent_) / 100;
        }
        summary_.bytesSent = bytes;
    }
    CloseWindow();
}

void OperationDriver::CloseWindow() {
    main_->DispatchMessage(WM_CLOSE, 0, 0);  // the close box
}

void OperationDriver::ControlTextChanged(int templateId, int id, const std::string& text) {
    printer_.ControlTextChanged(templateId, id, text);
}

void OperationDriver::ProgressShown(bool shown) {
    printer_.ProgressShown(shown);
}

void OperationDriver::ProgressChanged(int percent) {
    percent_ = percent;
    printer_.ProgressChanged(percent);
}

void OperationDriver::MessageBoxShown(const std::string& caption, const std::string& text,
                                      MessageBoxIcon icon) {
    printer_.MessageBoxShown(caption, text, icon);
    if (icon != MessageBoxIcon::Information && !failure_) {
        failure_ = caption == "Corvane" ? text : caption + ": " + text;
    }
    // A thread that does not end asks the user to unplug the projector; a
    // box returns at once here, so the terminal does it where it can.
    if (text.find("Unplug or Power Cycle Projector") != std::string::npos && powerCycle_ &&
        powerCycle_()) {
        printer_.Note("The projector does not answer: the virtual projector is unplugged");
    }
}

}  // namespace corvane::cli
