#include "app/ui/win32/Win32WindowFactory.h"

#include <algorithm>

#include "app/ui/win32/WindowsApi.h"

// After windows.h.
#include <commctrl.h>

namespace corvane::win32 {

namespace {

// A modeless window that tells the factory when it goes.
class ModelessWindow : public Win32DialogWindow {
public:
    ModelessWindow(const DialogTemplate& dialog, DialogHandler& handler, void* instance,
                   std::vector<Win32DialogWindow*>& live)
        : Win32DialogWindow(dialog, handler, instance, nullptr), live_(live) {
        live_.push_back(this);
    }
    ~ModelessWindow() override { live_.erase(std::find(live_.begin(), live_.end(), this)); }

private:
    std::vector<Win32DialogWindow*>& live_;
};

void* OwnerHandle(DialogWindow* owner) {
    auto* window = dynamic_cast<Win32DialogWindow*>(owner);
    return window != nullptr ? window->Handle() : nullptr;
}

}  // namespace

Win32WindowFactory::Win32WindowFactory(void* instance) : instance_(instance) {
    // The progress bar's class.
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);
}

Win32WindowFactory::~Win32WindowFactory() = default;

void Win32WindowFactory::ConnectMainQueue(platform::WindowMessageQueue* queue,
                                          DialogHandler* mainWindow) {
    pump_.Connect(queue, mainWindow);
}

int Win32WindowFactory::RunModal(const DialogTemplate& dialog, DialogHandler& handler,
                                 DialogWindow* owner) {
    const bool isMain = &handler == pump_.Handler();
    Win32DialogWindow window(dialog, handler, instance_, isMain ? &pump_ : nullptr);
    live_.push_back(&window);
    int result = -1;  // as DialogBox when the window cannot be made
    if (window.Create(OwnerHandle(owner))) {
        // The main window leaves the modeless Advanced window usable.
        result = window.RunModalLoop(!isMain);
    }
    live_.erase(std::find(live_.begin(), live_.end(), &window));
    return result;
}

std::unique_ptr<DialogWindow> Win32WindowFactory::CreateModeless(const DialogTemplate& dialog,
                                                                 DialogHandler& handler,
                                                                 DialogWindow* owner) {
    auto window = std::make_unique<ModelessWindow>(dialog, handler, instance_, live_);
    window->Create(OwnerHandle(owner));  // shown by the template's own WS_VISIBLE
    return window;
}

int Win32WindowFactory::ShowMessageBox(const char* text, const char* caption, MessageBoxIcon icon,
                                       bool systemModal) {
    return RunMessageBox(nullptr, text, caption, icon, systemModal);
}

Win32DialogWindow* Win32WindowFactory::FindLiveWindow(int templateId) const {
    for (auto it = live_.rbegin(); it != live_.rend(); ++it) {
        if ((*it)->TemplateId() == templateId) {
            return *it;
        }
    }
    return nullptr;
}

}  // namespace corvane::win32
