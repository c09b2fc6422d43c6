// The program object: owns the run's contexts, the main window and the
// settings key, and runs the main window modally from start-up to shutdown.
// The front end supplies the window factory and the device access; the device
// link is made through the given maker once the main window exists.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/engine/EngineContext.h"
#include "app/ui/DeviceLink.h"
#include "app/ui/DownloadThreadRequests.h"
#include "app/ui/MainWindow.h"
#include "app/ui/ProgramContext.h"
#include "app/ui/WindowFactory.h"
#include "platform/DeviceAccess.h"
#include "platform/SettingsKey.h"
#include "platform/WindowMessageQueue.h"

namespace corvane {

// The platform services the start-up needs beyond the window factory.
struct ApplicationPlatform {
    // COM for the UI thread; only a platform whose folder chooser needs COM
    // does anything here.
    std::function<bool()> initializeCom = [] { return true; };
    std::function<void()> uninitializeCom = [] {};
    // The settings key's file; empty: platform::SettingsKey::DefaultLocation().
    std::string settingsFile;
};

class Application;
using DeviceLinkMaker = std::function<std::unique_ptr<DeviceLink>(Application& application)>;

class Application {
public:
    Application(WindowFactory& windows, platform::DeviceAccess& devices,
                DeviceLinkMaker makeDeviceLink, ApplicationPlatform platform = {});
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Start-up, the main window's modal run, shutdown. Returns 0; 1 when COM
    // could not be initialised.
    int Run();

    ProgramContext& Program() { return program_; }
    EngineContext& Engine() { return engine_; }
    platform::WindowMessageQueue& MainWindowQueue() { return queue_; }
    WindowFactory& Windows() { return windows_; }
    // During Run only.
    MainWindow& Main() { return *mainWindow_; }

private:
    void ResetDeviceSlot();
    void DiscardUndelivered();

    WindowFactory& windows_;
    DeviceLinkMaker makeDeviceLink_;
    ApplicationPlatform platform_;
    platform::WindowMessageQueue queue_;
    ProgramContext program_;
    EngineContext engine_;
    EngineDownloadThreadRequests downloadThread_{engine_};
    std::unique_ptr<platform::SettingsKey> settingsKey_;
    std::unique_ptr<MainWindow> mainWindow_;
    std::unique_ptr<DeviceLink> deviceLink_;
};

}  // namespace corvane
