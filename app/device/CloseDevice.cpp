// Close-down of a slot: both threads told to quit and joined (download thread
// first, so that it handles a pending stop and closes its files), their
// objects deleted, the device closed and the slot freed.
#include <cstdio>

#include "app/device/ProjectorDeviceLink.h"
#include "app/ui/WindowMessages.h"

namespace corvane {

void ProjectorDeviceLink::JoinWithBoxes(platform::MessageThread& thread, const char* box) {
    thread.Post(TM_QUIT);
    while (!thread.Join(kJoinStepMs)) {
        ShowErrorBox(box);
    }
}

void ProjectorDeviceLink::EndDownloadThread(int slot) {
    DeviceRecord& record = Slot(slot);
    // From here on the job is gone for the window: what it still posts is
    // dropped, also while a box of the join is open.
    record.job = nullptr;
    if (jobs_[slot] != nullptr) {
        JoinWithBoxes(*jobs_[slot]->thread, "USB Control Error: Unplug or Power Cycle Projector");
        jobs_[slot].reset();
    }
    // A job lost without a stop (identifying, verifying, after the last file)
    // can leave its staged image open; nobody else will close it now.
    if (record.stagedImage != nullptr) {
        std::fclose(record.stagedImage);
        record.stagedImage = nullptr;
    }
}

void ProjectorDeviceLink::CloseDevice(int slot) {
    if (!HasOpenDevice(slot)) {
        return;
    }
    DeviceRecord& record = Slot(slot);
    if (mainWindow_.Record().downloadRunning == 0 && mainWindow_.HasWindow()) {
        mainWindow_.ApplyDisplayState(WaitingForProjector);
    }
    EndDownloadThread(slot);

    if (readerLinks_[slot] != nullptr) {
        JoinWithBoxes(*readerLinks_[slot]->thread,
                      "USB Read Error: Unplug or Power Cycle Projector");
        readerLinks_[slot]->thread.reset();
        readerLinks_[slot].reset();
    }
    record.readerLink = nullptr;

    record.replyEvent.reset();
    if (engine_.deviceAccess != nullptr) {
        engine_.deviceAccess->Close(record.deviceHandle);
    }
    record.deviceHandle = platform::kInvalidDeviceHandle;
    record.devicePath[0] = '\0';
}

}  // namespace corvane
