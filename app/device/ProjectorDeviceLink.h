// The device link: finds an attached projector in flash mode through the
// driver's device interface, checks it, opens it, starts and ends the job's
// reader and download threads, and handles arrival and removal. Everything
// here runs on the user-interface thread; the link writes the device record
// only while the slot's threads do not exist.
#pragma once

#include <memory>
#include <string>

#include "app/engine/DownloadJob.h"
#include "app/engine/EngineContext.h"
#include "app/engine/ReaderLink.h"
#include "app/ui/Application.h"
#include "app/ui/DeviceLink.h"
#include "app/ui/MainWindow.h"
#include "platform/DeviceNotifications.h"

namespace corvane {

class ProjectorDeviceLink : public DeviceLink {
public:
    // The main window must exist (Application::Run makes the link after it).
    ProjectorDeviceLink(Application& application, platform::DeviceNotifications& notifications);
    // Unregisters and closes what the main window's close-down left (quietly
    // when the window is gone).
    ~ProjectorDeviceLink() override;
    ProjectorDeviceLink(const ProjectorDeviceLink&) = delete;
    ProjectorDeviceLink& operator=(const ProjectorDeviceLink&) = delete;

    void RegisterDeviceNotifications() override;
    void UnregisterDeviceNotifications() override;
    // Frees the notice eventData carries (see platform/DeviceNotifications.h).
    void OnDeviceChange(uint32_t eventType, platform::LParam eventData) override;
    void CloseDevice(int slot) override;
    bool HasOpenDevice(int slot) const override;

    void ScanForProjector();

    // How long CloseDevice waits for each thread before it shows its box and
    // waits again (2000 ms).
    static constexpr uint32_t kJoinStepMs = 2000;
    // Delay between posts of TM_START while the new thread has no queue.
    static constexpr uint32_t kStartPostRetryMs = 25;

private:
    void OnDeviceRemoved(platform::LParam eventData);
    bool IsNoticeForSlot(const platform::DeviceInterfaceNotice& notice) const;
    bool ConnectSlot(int slot, const std::string& path, platform::DeviceHandle handle);
    bool StartReaderThread(int slot);
    bool StartDownloadThread(int slot);
    void EndDownloadThread(int slot);
    void JoinWithBoxes(platform::MessageThread& thread, const char* box);
    void ShowErrorBox(const char* text);
    void RefuseLongPath(const std::string& path);
    DeviceRecord& Slot(int slot) { return engine_.devices[slot]; }

    Application& application_;
    MainWindow& mainWindow_;
    EngineContext& engine_;
    ProgramContext& program_;
    platform::DeviceNotifications& notifications_;
    platform::DeviceNotifyHandle interfaceNotify_ = platform::kNoDeviceNotify;
    platform::DeviceNotifyHandle hidNotify_ = platform::kNoDeviceNotify;
    // What the link created for each slot; the slot's fields point here.
    std::unique_ptr<ReaderLink> readerLinks_[kDeviceSlots];
    std::unique_ptr<DownloadJob> jobs_[kDeviceSlots];
    // The last path refused for its length, so that the box is not repeated
    // on every arrival while that device stays attached.
    std::string refusedPath_;
    bool quiet_ = false;  // no message boxes (the window is gone)
    // A scan found the slot in use since it was filled: when it is freed,
    // the link looks again.
    bool arrivalWhileInUse_ = false;
    // Jobs started so far: the next job's serial.
    uint32_t jobsStarted_ = 0;
};

// The maker Application takes: a ProjectorDeviceLink over these notifications.
DeviceLinkMaker MakeProjectorDeviceLink(platform::DeviceNotifications& notifications);

}  // namespace corvane
