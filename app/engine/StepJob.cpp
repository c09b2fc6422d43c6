// The job's state table: what one step does in each state.
#include <cstring>

#include "app/engine/DownloadJobOps.h"
#include "app/engine/JobReporting.h"
#include "app/engine/JobState.h"
#include "app/engine/ReplyText.h"
#include "app/engine/RequestChannel.h"
#include "app/engine/Requests.h"
#include "app/ui/StringTable.h"
#include "app/ui/WindowMessages.h"

namespace corvane {

namespace {

constexpr char kExpectedIdentification[] = "VELTA1";
constexpr size_t kDownloadStatusSize = 52;

void RunStateAction(DownloadJob& job, uint8_t slot) {
    EngineContext& context = *job.context;
    DeviceRecord& record = context.devices[slot];
    switch (record.state) {
        case SyncStart:
            SendCommandTo(context, slot, "Sync\r");
            ExpectReplyFrom(context, slot, 1, true);
            record.state = SyncWait;
            break;
        case SyncWait:
            if (ReplyIsAck(record)) {
                PlatformRequestBegin(context, slot);
                record.state = PlatformWait;
            } else {
                FailJob(job, 1);
            }
            break;
        case PlatformWait:
            PlatformRequestContinue(context, slot);
            if (ReplyIsAck(record)) {
                ReadIdsRequestBegin(context, slot);
                record.state = ReadIds;
            } else {
                FailJob(job, 1);
            }
            break;
        case ReadIds:
            switch (ReadIdsRequestContinue(context, slot)) {
                case 1:
                    IdentifyRequestBegin(context, slot);
                    record.state = IdentifyWait;
                    break;
                case 3:
                    FailJob(job, 0);
                    break;
                default:
                    break;
            }
            break;
        case ClearNvramStart:
            ClearNvramRequestBegin(context, slot);
            record.state = ClearNvramWait;
            break;
        case ClearNvramWait:
            switch (ClearNvramRequestContinue(context, slot)) {
                case 1:
                    PostOperationDone(job, 0);
                    // Cleared, but not identified: the job stays out of Idle,
                    // where a download would use a partition table that is
                    // not this projector's.
                    record.state = job.identified != 0 ? Idle : Ended;
                    break;
                case 3:
                    FailJob(job, 0);
                    break;
                default:
                    break;
            }
            break;
        case ProgramIdsStart:
            if (ProgramIdsRequestBegin(context, slot) == 1) {
                ReadIdsRequestBegin(context, slot);
                record.state = ReadIds;
            } else {
                record.state = ProgramIdsWait;
            }
            break;
        case ProgramIdsWait:
            switch (ProgramIdsRequestContinue(context, slot)) {
                case 1:
                    ReadIdsRequestBegin(context, slot);
                    record.state = ReadIds;
                    break;
                case 3:
                    FailJob(job, 0);
                    break;
                default:
                    break;
            }
            break;
        case Idle:
            StartCurrentFile(job);
            break;
        case IdentifyWait:
            switch (IdentifyRequestContinue(context, slot, job.identification)) {
                case 3:
                    PostControlTextId(context, kStatusLineControl, kStringRequestingPartitions);
                    if (std::strcmp(job.identification, kExpectedIdentification) == 0) {
                        PartitionsRequestBegin(context, slot);
                        record.state = PartitionsWait;
                    } else {
                        FailJob(job, 3);
                    }
                    break;
                case 2:
                    FailJob(job, 0);
                    break;
                default:
                    break;
            }
            break;
        case PartitionsWait:
            switch (PartitionsRequestContinue(context, slot)) {
                case 1:
                    job.identified = 1;
                    PostOperationDone(job, 0);
                    record.state = Idle;
                    break;
                case 3:
                    FailJob(job, 3);
                    break;
                case 5:
                    FailJob(job, 0);
                    break;
                default:
                    break;
            }
            break;
        case VerifyWait:
            ApplyVerifyResult(job, VerifyRequestContinue(context, slot, context.partitionFlags));
            break;
        case EraseWait:
            switch (EraseRequestContinue(context, slot, context.partitionFlags)) {
                case 1: {
                    char status[kDownloadStatusSize];
                    const char* prefix = LoadStringText(kStringDownloading);
                    ComposeFileStatus(status, sizeof(status), prefix != nullptr ? prefix : "",
                                      CurrentFileName(context), "...");
                    PostControlText(context, kStatusLineControl, status);
                    ProgramRequestBegin(context, slot);
                    record.state = ProgramWait;
                    break;
                }
                case 5:
                    FailJob(job, 0);
                    break;
                default:
                    break;
            }
            break;
        case ProgramWait:
            switch (ProgramRequestContinue(context, slot)) {
                case 1:
                    SendCommandTo(context, slot, "X");
                    ExpectReplyFrom(context, slot, 1, true);
                    record.state = FileDone;
                    break;
                case 3:
                    FailJob(job, 0);
                    break;
                case 6:
                    FailJob(job, 7, CurrentFilePath(context));
                    break;
                default:
                    break;
            }
            break;
        case FileDone:
            CompleteCurrentFile(job);
            break;
        default:  // Ended, or no state at all
            break;
    }
}

}  // namespace

void StepJob(DownloadJob& job, uint8_t slot) {
    RunStateAction(job, slot);
    EngineContext& context = *job.context;
    const uint32_t state = context.devices[slot].state;
    if (state == PlatformWait) {
        PostControlTextId(context, kStatusLineControl, kStringRequestingPlatformId);
    } else if (state == Idle) {
        PostControlTextId(context, kStatusLineControl, kStringConnected);
    }
}

}  // namespace corvane
