// The reply handling of every projector request: begin a request, then feed
// its continue operation arbitrary replies, split into packets anywhere, the
// way the reader thread collects them. Input:
//   [0]  the request (modulo 9)
//   [1]  partition flags (bits 0..3) for erase and verify; bit 4/5: no new
//        part / serial number for Program IDs; bit 6: no main window
//   then packets: a length byte (modulo 65), then that many bytes. A packet
//   that is empty or starts with NUL is an abandoned read: the request
//   waits for ever, so the run ends there.
// Checks: every result is one the request documents; a negative reply never
// yields success; the partition table a descriptor leaves is sound; a
// verification passes only on the checksum of the staged data; programming
// ends only after every staged block was written and acknowledged.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "app/engine/CommandChannel.h"
#include "app/engine/DownloadJob.h"
#include "app/engine/EngineContext.h"
#include "app/engine/ReaderLink.h"
#include "app/engine/ReplyText.h"
#include "app/engine/Requests.h"
#include "app/ui/OwnedText.h"
#include "app/ui/WindowMessages.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/StagedImageSample.h"

namespace {

using namespace corvane;

// Takes the engine's write requests; reads never reach it (the fuzzer is
// the reader).
class WriteRecorderDouble : public platform::DeviceAccess {
public:
    std::vector<std::string> PresentInterfaces(const UsbCtrlGuid&) override { return {}; }
    platform::DeviceHandle Open(const char*) override { return 1; }
    bool IoControl(platform::DeviceHandle, uint32_t code, const void* in, uint32_t inSize, void*,
                   uint32_t, uint32_t*) override {
        FUZZ_CHECK(code == IOCTRL_WRITE_DATA);
        FUZZ_CHECK(in != nullptr && inSize == sizeof(USBCTRL_REQUEST));
        const auto* request = static_cast<const USBCTRL_REQUEST*>(in);
        FUZZ_CHECK(request->Length <= sizeof(request->Data));
        writes.emplace_back(reinterpret_cast<const char*>(request->Data), request->Length);
        return true;
    }
    void Close(platform::DeviceHandle) override {}

    std::vector<std::string> writes;
};

enum Request {
    kPlatform,
    kReadIds,
    kIdentify,
    kPartitions,
    kClearNvram,
    kProgramIds,
    kErase,
    kProgram,
    kVerify,
    kRequestKinds
};

struct Session {
    EngineContext context;
    MainWindowRecord window;
    platform::WindowMessageQueue queue;
    WriteRecorderDouble access;
    ReaderLink link{&context};
    char identification[kIdentificationSize] = {};

    DeviceRecord& Record() { return context.devices[0]; }

    ~Session() {
        platform::Message message;
        while (queue.Take(message, 0)) {
            if (message.message == WM_SET_CONTROL_TEXT) {
                TakePostedText(message.lParam);
            }
        }
        if (Record().stagedImage != nullptr) {
            std::fclose(Record().stagedImage);
        }
    }
};

// Results each continue operation may return, and which of them mean that
// the request succeeded.
struct Results {
    std::set<int> allowed;
    std::set<int> success;
};

Results ResultsOf(int request) {
    switch (request) {
        case kPlatform:
            return {{2}, {}};
        case kReadIds:
            return {{0, 1, 3}, {1}};
        case kIdentify:
            return {{1, 2, 3, 4}, {3}};
        case kPartitions:
            return {{0, 1, 2, 3, 5}, {1}};
        case kClearNvram:
            return {{1, 3}, {1}};
        case kProgramIds:
            return {{0, 1, 3}, {1}};
        case kErase:
            return {{0, 1, 5}, {1}};
        case kProgram:
            return {{0, 1, 3}, {1}};
        default:
            return {{0, 1, 3, 4}, {1}};
    }
}

bool Finished(int request, int result) {
    switch (request) {
        case kPlatform:
            return true;
        case kIdentify:
            return result == 2 || result == 3;
        case kPartitions:
            return result == 1 || result == 3 || result == 5;
        default:
            return result != 0;
    }
}

int Begin(Session& s, int request) {
    EngineContext& c = s.context;
    switch (request) {
        case kPlatform:
            PlatformRequestBegin(c, 0);
            return 0;
        case kReadIds:
            ReadIdsRequestBegin(c, 0);
            return 0;
        case kIdentify:
            IdentifyRequestBegin(c, 0);
            return 0;
        case kPartitions:
            PartitionsRequestBegin(c, 0);
            return 0;
        case kClearNvram:
            ClearNvramRequestBegin(c, 0);
            return 0;
        case kProgramIds:
            return ProgramIdsRequestBegin(c, 0);
        case kErase:
            EraseRequestBegin(c, 0);
            return 0;
        case kProgram:
            ProgramRequestBegin(c, 0);
            return 0;
        default:
            return VerifyRequestBegin(c, 0, c.partitionFlags);
    }
}

int Continue(Session& s, int request) {
    EngineContext& c = s.context;
    switch (request) {
        case kPlatform:
            return PlatformRequestContinue(c, 0);
        case kReadIds:
            return ReadIdsRequestContinue(c, 0);
        case kIdentify:
            return IdentifyRequestContinue(c, 0, s.identification);
        case kPartitions:
            return PartitionsRequestContinue(c, 0);
        case kClearNvram:
            return ClearNvramRequestContinue(c, 0);
        case kProgramIds:
            return ProgramIdsRequestContinue(c, 0);
        case kErase:
            return EraseRequestContinue(c, 0, c.partitionFlags);
        case kProgram:
            return ProgramRequestContinue(c, 0);
        default:
            return VerifyRequestContinue(c, 0, c.partitionFlags);
    }
}

void CheckTable(const PartitionTable& table) {
    FUZZ_CHECK(table.count <= kMaxPartitions);
}

// What a finished request must have done, judged from outside.
void CheckSuccess(Session& s, int request, const std::string& lastReply) {
    // The checksum reply is the one success not opened by ACK.
    FUZZ_CHECK(request == kVerify ||
               (!lastReply.empty() && static_cast<uint8_t>(lastReply[0]) == kAck));
    switch (request) {
        case kIdentify:
            FUZZ_CHECK(std::strlen(s.identification) < kIdentificationSize);
            break;
        case kPartitions:
            CheckTable(s.context.partitions);
            break;
        case kProgram: {
            // "F" (maybe repeated), then every staged block in order.
            std::vector<std::string> blocks;
            for (const std::string& w : s.access.writes) {
                if (w != "F") {
                    blocks.push_back(w);
                }
            }
            FUZZ_CHECK(blocks == fuzz::SampleBlocks());
            break;
        }
        case kVerify: {
            // Only the checksum of the staged data over the verified range.
            uint16_t expected = 0;
            FUZZ_CHECK(fuzz::SampleRangeChecksum(s.context.partitions, s.context.partitionFlags,
                                                 expected));
            // The leading hexadecimal digits (at most four) are the answer.
            unsigned reported = 0;
            size_t digits = 0;
            while (digits < 4 && digits < lastReply.size() &&
                   std::isxdigit(static_cast<unsigned char>(lastReply[digits]))) {
                reported =
                    reported * 16 + std::stoul(std::string(1, lastReply[digits]), nullptr, 16);
                ++digits;
            }
            FUZZ_CHECK(digits > 0);
            FUZZ_CHECK(reported == expected);
            break;
        }
        default:
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    const int request = data[0] % kRequestKinds;
    const uint8_t options = data[1];
    Session s;
    s.context.mainWindow = (options & 0x40) != 0 ? nullptr : &s.window;
    s.context.mainWindowQueue = &s.queue;
    s.context.deviceAccess = &s.access;
    s.Record().deviceHandle = s.access.Open("");
    s.Record().replyEvent = std::make_unique<platform::Event>();
    s.link.slot = 0;
    s.Record().readerLink = &s.link;
    std::strcpy(s.window.newPartNumber, (options & 0x10) != 0 ? "" : "PN-0001");
    std::strcpy(s.window.newSerialNumber, (options & 0x20) != 0 ? "" : "SN-42");
    s.context.partitions = fuzz::SamplePartitions();
    for (int i = 0; i < fuzz::kSamplePartitionCount; ++i) {
        s.context.partitionFlags.flag[i] = (options >> i) & 1;
    }
    s.Record().stagedImage = fuzz::WriteSampleImage();
    FUZZ_CHECK(s.Record().stagedImage != nullptr);

    const Results results = ResultsOf(request);
    if (Begin(s, request) != 0) {
        return 0;  // nothing to do: nothing sent, nothing awaited
    }
    size_t at = 2;
    std::string reply;  // the reply text as the continue operation sees it
    while (at < size) {
        const size_t length = data[at++] % 65;
        const size_t taken = length < size - at ? length : size - at;
        const char* packet = reinterpret_cast<const char*>(data + at);
        at += taken;
        const size_t text = strnlen(packet, taken);
        if (text == 0) {
            return 0;  // abandoned read: no reply event, the request waits
        }
        AppendReplyBytes(s.Record(), packet, text);
        reply.assign(s.Record().replyText, s.Record().receivedCount);
        const int result = Continue(s, request);
        FUZZ_CHECK(results.allowed.count(result) == 1);
        if (results.success.count(result) == 1) {
            CheckSuccess(s, request, reply);
        }
        if (request == kPartitions) {
            CheckTable(s.context.partitions);
        }
        if (Finished(request, result)) {
            return 0;
        }
    }
    return 0;
}
