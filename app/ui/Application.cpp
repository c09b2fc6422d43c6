#include "app/ui/Application.h"

#include <cstdio>

#include "app/engine/DownloadJob.h"
#include "app/ui/DialogTemplates.h"

namespace corvane {

Application::Application(WindowFactory& windows, platform::DeviceAccess& devices,
                         DeviceLinkMaker makeDeviceLink, ApplicationPlatform platform)
    : windows_(windows),
      makeDeviceLink_(std::move(makeDeviceLink)),
      platform_(std::move(platform)) {
    program_.mainWindowQueue = &queue_;
    engine_.mainWindowQueue = &queue_;
    engine_.deviceAccess = &devices;
}

Application::~Application() {
    deviceLink_.reset();
    mainWindow_.reset();
    DiscardUndelivered();
}

void Application::ResetDeviceSlot() {
    DeviceRecord& slot = engine_.devices[0];
    slot.devicePath[0] = '\0';
    slot.deviceHandle = platform::kInvalidDeviceHandle;
    slot.replyEvent.reset();
    slot.job = nullptr;
    slot.readerLink = nullptr;
    if (slot.stagedImage != nullptr) {
        std::fclose(slot.stagedImage);
        slot.stagedImage = nullptr;
    }
}

int Application::Run() {
    ResetDeviceSlot();
    mainWindow_ = std::make_unique<MainWindow>(
        MainWindowServices{program_, engine_, windows_, downloadThread_});
    if (makeDeviceLink_) {
        deviceLink_ = makeDeviceLink_(*this);
    }
    mainWindow_->SetDeviceLink(deviceLink_.get());
    int result = 0;
    if (!platform_.initializeCom()) {
        windows_.ShowMessageBox("Error initializing COM", "Corvane", MessageBoxIcon::Error, true);
        result = 1;
    } else {
        settingsKey_ = platform::SettingsKey::OpenOrCreateOrDefault(platform_.settingsFile);
        program_.settingsKey = settingsKey_.get();

        windows_.ConnectMainQueue(&queue_, mainWindow_.get());
        windows_.RunModal(MainWindowTemplate(), *mainWindow_, nullptr);
        windows_.ConnectMainQueue(nullptr, nullptr);

        program_.settingsKey = nullptr;
        settingsKey_.reset();
        platform_.uninitializeCom();
    }
    deviceLink_.reset();
    mainWindow_.reset();
    DiscardUndelivered();
    return result;
}

// Texts posted after the window closed belong to no one else.
void Application::DiscardUndelivered() {
    platform::Message message;
    while (queue_.Take(message, 0)) {
        DiscardPostedMessage(message);
    }
}

}  // namespace corvane
