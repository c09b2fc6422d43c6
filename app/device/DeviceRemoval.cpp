// Loss of the connected projector: the removal notice of slot 0's interface
// ends the connection, telling the user only where work was cut short.
#include <cstddef>

#include "app/device/DevicePath.h"
#include "app/device/ProjectorDeviceLink.h"
#include "app/ui/WindowMessages.h"

namespace corvane {

bool ProjectorDeviceLink::IsNoticeForSlot(const platform::DeviceInterfaceNotice& notice) const {
    constexpr std::size_t kHead = offsetof(platform::DeviceInterfaceNotice, name);
    if (notice.deviceType != platform::kDeviceTypeDeviceInterface || notice.size <= kHead) {
        return false;
    }
    if (!UsbCtrlGuidEqual(notice.classGuid, USBCTRL_GUID)) {
        return false;  // HID removals among them
    }
    const DeviceRecord& record = engine_.devices[0];
    return record.deviceHandle != platform::kInvalidDeviceHandle &&
           MatchesRemovedPath(record, notice.name, notice.size - kHead);
}

void ProjectorDeviceLink::OnDeviceRemoved(platform::LParam eventData) {
    const auto* notice = reinterpret_cast<const platform::DeviceInterfaceNotice*>(eventData);
    if (notice == nullptr || !IsNoticeForSlot(*notice)) {
        return;
    }
    mainWindow_.Advanced().Hide();
    mainWindow_.Window().ShowWindow(true);

    MainWindowRecord& record = mainWindow_.Record();
    DeviceRecord& slot = engine_.devices[0];
    if (record.downloadRunning != 0 && record.downloadFinished == 0) {
        record.stopFlag = 1;
        if (slot.job != nullptr) {
            slot.job->thread->Post(TM_STOP);
        }
        ShowErrorBox("Lost connection during download!");
        record.downloadFinished = 1;
        mainWindow_.ApplyDisplayState(WaitingForProjector);
    } else if (record.displayState == Ready) {
        if (slot.job != nullptr) {
            slot.job->thread->Post(TM_STOP);
        }
        ShowErrorBox("Lost connection");
    }
    // The box kept the window's messages flowing: a close-down may have
    // happened meanwhile, and then the device is already closed.
    CloseDevice(0);
}

}  // namespace corvane
