#include "app/cli/TextWindowFactory.h"

#include <algorithm>

#include "app/ui/WindowMessages.h"

namespace corvane::cli {

namespace {

// The modeless window owned by the caller; tells the factory when it goes.
class ModelessTextWindow : public TextWindow {
public:
    ModelessTextWindow(TextWindowFactory& factory, const DialogTemplate& dialog,
                       DialogHandler& handler)
        : TextWindow(factory, dialog, handler), factory_(factory) {}
    ~ModelessTextWindow() override { factory_.Forget(*this); }

private:
    TextWindowFactory& factory_;
};

}  // namespace

void TextWindowFactory::ConnectMainQueue(platform::WindowMessageQueue* queue,
                                         DialogHandler* mainWindow) {
    queue_ = queue;
    mainHandler_ = mainWindow;
}

int TextWindowFactory::RunModal(const DialogTemplate& dialog, DialogHandler& handler,
                                DialogWindow*) {
    TextWindow window(*this, dialog, handler);
    handler.OnInitDialog(window);
    window.ShowWindow(true);
    if (&handler == mainHandler_ && queue_ != nullptr) {
        RunMainLoop(window);
    } else if (!window.Ended()) {
        // Nobody at the terminal answers a dialog: its close box.
        handler.DispatchMessage(WM_CLOSE, 0, 0);
    }
    localPosts_.erase(std::remove_if(localPosts_.begin(), localPosts_.end(),
                                     [&](const LocalPost& post) { return post.window == &window; }),
                      localPosts_.end());
    return window.Ended() ? window.Result() : kIdCancel;
}

void TextWindowFactory::RunMainLoop(TextWindow& window) {
    if (driver_ != nullptr) {
        driver_->Started(window);
    }
    while (!window.Ended()) {
        platform::Message message;
        const bool taken = queue_->Take(message, localPosts_.empty() ? kTickMs : 0);
        if (taken) {
            if (driver_ != nullptr) {
                driver_->Delivering(message);
            }
            mainHandler_->DispatchMessage(message.message, message.wParam, message.lParam);
        }
        DeliverLocalPosts();
        if (driver_ != nullptr && !window.Ended()) {
            driver_->Tick();
        }
    }
}

void TextWindowFactory::DeliverLocalPosts() {
    while (!localPosts_.empty()) {
        const LocalPost post = localPosts_.front();
        localPosts_.pop_front();
        post.window->Handler().DispatchMessage(post.message.message, post.message.wParam,
                                               post.message.lParam);
    }
}

std::unique_ptr<DialogWindow> TextWindowFactory::CreateModeless(const DialogTemplate& dialog,
                                                                DialogHandler& handler,
                                                                DialogWindow*) {
    auto window = std::make_unique<ModelessTextWindow>(*this, dialog, handler);
    modeless_.push_back(window.get());
    handler.OnInitDialog(*window);
    window->ShowWindow((dialog.windowFlags & kWindowVisible) != 0);
    return window;
}

int TextWindowFactory::ShowMessageBox(const char* text, const char* caption, MessageBoxIcon icon,
                                      bool) {
    events_->MessageBoxShown(caption, text, icon);
    return kMessageBoxOk;
}

void TextWindowFactory::PostTo(TextWindow& window, uint32_t message, platform::WParam wParam,
                               platform::LParam lParam) {
    if (&window.Handler() == mainHandler_ && queue_ != nullptr) {
        queue_->Post(message, wParam, lParam);
        return;
    }
    localPosts_.push_back({&window, {message, wParam, lParam}});
}

std::optional<OpenFileResult> TextWindowFactory::TakeChosenFiles(const OpenFileRequest& request) {
    std::optional<OpenFileResult> files = std::move(chosenFiles_);
    chosenFiles_.reset();
    if (files && files->buffer.size() > request.bufferSize) {
        return std::nullopt;  // the dialog's buffer is too small: it fails
    }
    return files;
}

void TextWindowFactory::Forget(TextWindow& window) {
    modeless_.erase(std::remove(modeless_.begin(), modeless_.end(), &window), modeless_.end());
    localPosts_.erase(std::remove_if(localPosts_.begin(), localPosts_.end(),
                                     [&](const LocalPost& post) { return post.window == &window; }),
                      localPosts_.end());
}

TextWindow* TextWindowFactory::Modeless(int templateId) const {
    for (TextWindow* window : modeless_) {
        if (window->TemplateId() == templateId) {
            return window;
        }
    }
    return nullptr;
}

}  // namespace corvane::cli
