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
        // The job goes before the window moves on: its answer to the stop,
        // when it comes later than the box, is then the completion of a job
        // that is gone, which the window drops.
        EndDownloadThread(0);
        if (mainWindow_.HasWindow() && record.closing == 0) {
            record.stopFlag = 0;
            record.downloadFinished = 1;
            mainWindow_.ApplyDisplayState(WaitingForProjector);
        }
    } else if (record.displayState == Ready) {
        if (slot.job != nullptr) {
            slot.job->thread->Post(TM_STOP);
        }
        ShowErrorBox("Lost connection");
        EndDownloadThread(0);
    }
    // A close-down while the box was open has closed the device already.
    CloseDevice(0);
    // A projector that arrived while the lost one was still in the slot was
    // turned away; look again now that the slot is free, behind what is
    // queued, the way any arrival is handled.
    if (arrivalWhileInUse_ && record.closing == 0 && mainWindow_.HasWindow()) {
        arrivalWhileInUse_ = false;
        mainWindow_.Window().PostToWindow(WM_SCAN_DEVICES, 0, 0);
    }
}

}  // namespace corvane
