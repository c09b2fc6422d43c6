// Construction, notification registration and the WM_DEVICECHANGE dispatch.
#include "app/device/ProjectorDeviceLink.h"

#include "app/ui/WindowMessages.h"

namespace corvane {

namespace {
constexpr uint32_t kDeviceRemoveComplete = platform::kDeviceRemoveCompleteEvent;
static_assert(kDeviceArrival == platform::kDeviceArrivalEvent);
}  // namespace

ProjectorDeviceLink::ProjectorDeviceLink(Application& application,
                                         platform::DeviceNotifications& notifications)
    : application_(application),
      mainWindow_(application.Main()),
      engine_(application.Engine()),
      program_(application.Program()),
      notifications_(notifications) {}

ProjectorDeviceLink::~ProjectorDeviceLink() {
    UnregisterDeviceNotifications();
    quiet_ = !mainWindow_.HasWindow();
    for (int slot = 0; slot < kDeviceSlots; ++slot) {
        CloseDevice(slot);
    }
}

void ProjectorDeviceLink::RegisterDeviceNotifications() {
    platform::WindowMessageQueue* queue = program_.mainWindowQueue;
    const UsbCtrlGuid hidClass = platform::kHidClassGuid;
    if (interfaceNotify_ == platform::kNoDeviceNotify) {
        DebugPrint(program_, "Halbrig_RegisterNotification Ok\n");
        if (queue != nullptr) {
            interfaceNotify_ = notifications_.Register(*queue, USBCTRL_GUID);
        }
        if (interfaceNotify_ == platform::kNoDeviceNotify) {
            DebugPrint(program_, "Halbrig_Register Interface failed\n");
        }
    }
    if (hidNotify_ == platform::kNoDeviceNotify) {
        DebugPrint(program_, "HID Halbrig_RegisterNotification Ok\n");
        if (queue != nullptr) {
            hidNotify_ = notifications_.Register(*queue, hidClass);
        }
        if (hidNotify_ == platform::kNoDeviceNotify) {
            DebugPrint(program_, "HID Halbrig_Register Interface failed\n");
        }
    }
}

void ProjectorDeviceLink::UnregisterDeviceNotifications() {
    if (interfaceNotify_ != platform::kNoDeviceNotify) {
        notifications_.Unregister(interfaceNotify_);
        interfaceNotify_ = platform::kNoDeviceNotify;
    }
    if (hidNotify_ != platform::kNoDeviceNotify) {
        notifications_.Unregister(hidNotify_);
        hidNotify_ = platform::kNoDeviceNotify;
    }
}

void ProjectorDeviceLink::OnDeviceChange(uint32_t eventType, platform::LParam eventData) {
    const MainWindowRecord& record = mainWindow_.Record();
    if (record.closing == 0) {
        if (eventType == kDeviceArrival) {
            ScanForProjector();  // any arrival, of whatever class, is worth a look
        } else if (eventType == kDeviceRemoveComplete) {
            OnDeviceRemoved(eventData);
        }
    }
    platform::FreeDeviceInterfaceNotice(eventData);
}

bool ProjectorDeviceLink::HasOpenDevice(int slot) const {
    return slot >= 0 && slot < kDeviceSlots &&
           engine_.devices[slot].deviceHandle != platform::kInvalidDeviceHandle;
}

void ProjectorDeviceLink::ShowErrorBox(const char* text) {
    if (!quiet_ && mainWindow_.HasWindow()) {
        mainWindow_.Window().ShowMessageBox(text, "Corvane", MessageBoxIcon::Error);
    } else if (!quiet_) {
        application_.Windows().ShowMessageBox(text, "Corvane", MessageBoxIcon::Error, false);
    }
}

DeviceLinkMaker MakeProjectorDeviceLink(platform::DeviceNotifications& notifications) {
    return [&notifications](Application& application) -> std::unique_ptr<DeviceLink> {
        return std::make_unique<ProjectorDeviceLink>(application, notifications);
    };
}

}  // namespace corvane
