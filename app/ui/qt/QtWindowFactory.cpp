#include "app/ui/qt/QtWindowFactory.h"

#include <QApplication>
#include <QTimer>
#include <algorithm>

#include "app/ui/qt/QtArtwork.h"

namespace corvane::qt {

namespace {

// A modeless window that tells the factory when it goes.
class ModelessWindow : public QtDialogWindow {
public:
    ModelessWindow(const DialogTemplate& dialog, DialogHandler& handler, QWidget* owner,
                   std::vector<QtDialogWindow*>& live)
        : QtDialogWindow(dialog, handler, owner, nullptr), live_(live) {
        live_.push_back(this);
    }
    ~ModelessWindow() override { live_.erase(std::find(live_.begin(), live_.end(), this)); }

private:
    std::vector<QtDialogWindow*>& live_;
};

}  // namespace

QtWindowFactory::QtWindowFactory() {
    InitArtwork();
    // Windows come and go with the program's own loops, not QApplication's.
    QApplication::setQuitOnLastWindowClosed(false);
}

QtWindowFactory::~QtWindowFactory() = default;

void QtWindowFactory::ConnectMainQueue(platform::WindowMessageQueue* queue,
                                       DialogHandler* mainWindow) {
    pump_.Connect(queue, mainWindow);
}

int QtWindowFactory::RunModal(const DialogTemplate& dialog, DialogHandler& handler,
                              DialogWindow* owner) {
    const bool isMain = &handler == pump_.Handler();
    auto* ownerWidget = dynamic_cast<QtDialogWindow*>(owner);
    QtDialogWindow window(dialog, handler, ownerWidget, isMain ? &pump_ : nullptr);
    live_.push_back(&window);
    handler.OnInitDialog(window);
    if (isMain && mainShown_) {
        QTimer::singleShot(0, &window, [this, &window] { mainShown_(window); });
    }
    // The main window leaves the modeless Advanced window usable.
    const int result = window.RunModalLoop(!isMain);
    live_.erase(std::find(live_.begin(), live_.end(), &window));
    return result;
}

std::unique_ptr<DialogWindow> QtWindowFactory::CreateModeless(const DialogTemplate& dialog,
                                                              DialogHandler& handler,
                                                              DialogWindow* owner) {
    auto window = std::make_unique<ModelessWindow>(dialog, handler,
                                                   dynamic_cast<QtDialogWindow*>(owner), live_);
    handler.OnInitDialog(*window);
    if ((dialog.windowFlags & kWindowVisible) != 0) {
        window->ShowWindow(true);
    }
    return window;
}

int QtWindowFactory::ShowMessageBox(const char* text, const char* caption, MessageBoxIcon icon,
                                    bool systemModal) {
    return RunMessageBox(nullptr, text, caption, icon, systemModal);
}

QtDialogWindow* QtWindowFactory::FindWindow(int templateId) const {
    for (auto it = live_.rbegin(); it != live_.rend(); ++it) {
        if ((*it)->TemplateId() == templateId) {
            return *it;
        }
    }
    return nullptr;
}

}  // namespace corvane::qt
