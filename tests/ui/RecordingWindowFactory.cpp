#include <algorithm>

#include "app/ui/WindowMessages.h"
#include "tests/ui/RecordingWindow.h"

namespace corvane::test {

RecordingWindowFactory::RecordingWindowFactory() = default;

RecordingWindowFactory::~RecordingWindowFactory() {
    ownedWindows_.clear();
}

void RecordingWindowFactory::ConnectMainQueue(platform::WindowMessageQueue* queue,
                                              DialogHandler* mainWindow) {
    queue_ = queue;
    mainHandler_ = mainWindow;
}

RecordingWindow& RecordingWindowFactory::Open(const DialogTemplate& dialog,
                                              DialogHandler& handler) {
    ownedWindows_.push_back(std::make_unique<RecordingWindow>(*this, dialog, handler));
    RecordingWindow& window = *ownedWindows_.back();
    handler.OnInitDialog(window);
    window.ShowWindow(true);
    return window;
}

int RecordingWindowFactory::RunModal(const DialogTemplate& dialog, DialogHandler& handler,
                                     DialogWindow*) {
    modalRuns_.push_back(dialog.templateId);
    RecordingWindow& window = Open(dialog, handler);
    auto& queue = scripts_[dialog.templateId];
    if (!queue.empty()) {
        Script script = std::move(queue.front());
        queue.pop_front();
        script(window);
    }
    if (!window.Ended()) {
        window.PressCloseBox();
    }
    return window.Ended() ? window.Result() : kIdCancel;
}

std::unique_ptr<DialogWindow> RecordingWindowFactory::CreateModeless(const DialogTemplate& dialog,
                                                                     DialogHandler& handler,
                                                                     DialogWindow*) {
    auto window = std::make_unique<RecordingWindow>(*this, dialog, handler);
    handler.OnInitDialog(*window);
    return window;
}

int RecordingWindowFactory::ShowMessageBox(const char* text, const char* caption,
                                           MessageBoxIcon icon, bool systemModal) {
    return RecordBox({text, caption, icon, systemModal, 0});
}

int RecordingWindowFactory::RecordBox(MessageBoxRecord record) {
    boxes_.push_back(record);
    if (whileBoxOpen_) {
        whileBoxOpen_(record);
    }
    return kMessageBoxOk;
}

void RecordingWindowFactory::ScriptModal(int templateId, Script script) {
    scripts_[templateId].push_back(std::move(script));
}

void RecordingWindowFactory::AnswerFiles(const std::string& fullPath) {
    OpenFileResult result;
    result.buffer.assign(fullPath.begin(), fullPath.end());
    result.buffer.push_back('\0');
    const size_t slash = fullPath.find_last_of('/');
    result.fileOffset = slash == std::string::npos ? 0 : static_cast<uint32_t>(slash + 1);
    fileAnswers_.push_back(std::move(result));
}

void RecordingWindowFactory::AnswerFiles(const std::string& folder,
                                         const std::vector<std::string>& names) {
    OpenFileResult result;
    result.buffer.assign(folder.begin(), folder.end());
    result.buffer.push_back('\0');
    result.fileOffset = static_cast<uint32_t>(result.buffer.size());
    for (const std::string& name : names) {
        result.buffer.insert(result.buffer.end(), name.begin(), name.end());
        result.buffer.push_back('\0');
    }
    result.buffer.push_back('\0');
    fileAnswers_.push_back(std::move(result));
}

std::optional<OpenFileResult> RecordingWindowFactory::NextFileAnswer(
    const OpenFileRequest& request) {
    fileRequests_.push_back({request.filter != nullptr ? request.filter : "",
                             request.initialFolder != nullptr ? request.initialFolder : "",
                             request.flags, request.bufferSize});
    if (fileAnswers_.empty()) {
        return std::nullopt;
    }
    std::optional<OpenFileResult> answer;
    if (fileAnswers_.front().has_value()) {
        answer.emplace(std::move(*fileAnswers_.front()));
    }
    fileAnswers_.pop_front();
    return answer;
}

std::optional<std::string> RecordingWindowFactory::NextFolderAnswer() {
    ++folderRequests_;
    if (folderAnswers_.empty()) {
        return std::nullopt;
    }
    std::optional<std::string> answer = folderAnswers_.front();
    folderAnswers_.pop_front();
    return answer;
}

int RecordingWindowFactory::PumpMainQueue() {
    int count = 0;
    platform::Message message;
    while (queue_ != nullptr && queue_->Take(message, 0)) {
        if (mainHandler_ != nullptr) {
            mainHandler_->DispatchMessage(message.message, message.wParam, message.lParam);
        }
        ++count;
    }
    return count;
}

RecordingWindow* RecordingWindowFactory::Latest(int templateId) const {
    for (auto it = liveWindows_.rbegin(); it != liveWindows_.rend(); ++it) {
        if ((*it)->TemplateId() == templateId) {
            return *it;
        }
    }
    return nullptr;
}

void RecordingWindowFactory::Forget(RecordingWindow* window) {
    liveWindows_.erase(std::remove(liveWindows_.begin(), liveWindows_.end(), window),
                       liveWindows_.end());
}

}  // namespace corvane::test
