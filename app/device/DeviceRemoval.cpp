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

// The job's answer to TM_STOP (end of job, status text, WM_OPERATION_DONE)
// belongs before the steps that follow the box: a box closed before the
// answer came would otherwise let a late WM_OPERATION_DONE take the window
// back to Ready without a projector. So the download thread is ended here
// (after its stop) and what it posted is delivered, as the box would have.
void ProjectorDeviceLink::DeliverQueuedMessages() {
    platform::WindowMessageQueue* queue = program_.mainWindowQueue;
    platform::Message message;
    while (queue != nullptr && mainWindow_.HasWindow() && queue->Take(message, 0)) {
        mainWindow_.DispatchMessage(message.message, message.wParam, message.lParam);
    }
}

void ProjectorDeviceLink::OnDeviceRemoved(platform::LParam eventData) {
    const auto* notice = reinterpret_cast<const platform::DeviceInterfaceNotice*>(eventData);
    if (notice == nullptr || !IsNoticeForSlot(*notice)) {
        return;
    }
    arrivalWhileInUse_ = false;
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
        EndDownloadThread(0);
        DeliverQueuedMessages();
        if (mainWindow_.HasWindow() && record.closing == 0) {
            record.downloadFinished = 1;
            mainWindow_.ApplyDisplayState(WaitingForProjector);
        }
    } else if (record.displayState == Ready) {
        if (slot.job != nullptr) {
            slot.job->thread->Post(TM_STOP);
        }
        ShowErrorBox("Lost connection");
        EndDownloadThread(0);
        DeliverQueuedMessages();
    }
    // A close-down while the box was open has closed the device already.
    CloseDevice(0);
    // A projector that arrived while the lost one was still in the slot was
    // turned away; look again now that the slot is free.
    if (arrivalWhileInUse_ && record.closing == 0 && mainWindow_.HasWindow()) {
        arrivalWhileInUse_ = false;
        ScanForProjector();
    }
}

}  // namespace corvane
