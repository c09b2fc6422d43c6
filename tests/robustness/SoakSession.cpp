#include "tests/robustness/SoakSession.h"

#include <chrono>

#include "EngineHarness.h"
#include "platform/kernel/FileTable.h"

namespace corvane::robustness {

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr char kPlatform[] = "PJX2000-A1";
constexpr char kNewPartNumber[] = "2002-7777-09";
constexpr char kNewSerialNumber[] = "Z12345678901";
constexpr char kReaderStuckText[] = "USB Read Error: Unplug or Power Cycle Projector";
// The last partition of the quick projector: verification compares it whole.
constexpr uint32_t kLastPartition = 0x2C000;
constexpr size_t kLastPartitionSize = 0x4000;

// Sanitizer builds run several times slower.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kSlowdown = 5;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr int kSlowdown = 5;
#else
constexpr int kSlowdown = 1;
#endif
#else
constexpr int kSlowdown = 1;
#endif

// How long the window may stay without news before the user gives up and
// presses Stop, and how long the program may take to end the operation
// after Stop or the cable.
constexpr milliseconds kIdleBound{1000 * kSlowdown};
constexpr milliseconds kEndBound{5000 * kSlowdown};

// The record type F line that names the platform a file is made for.
std::string IdentificationRecord() {
    const std::string platform = kPlatform;
    unsigned sum = static_cast<unsigned>(platform.size()) + 0x0F;
    char line[64];
    int at =
        std::snprintf(line, sizeof(line), ":%02X00000F", static_cast<unsigned>(platform.size()));
    for (unsigned char c : platform) {
        at += std::snprintf(line + at, sizeof(line) - static_cast<size_t>(at), "%02X", c);
        sum += c;
    }
    std::snprintf(line + at, sizeof(line) - static_cast<size_t>(at), "%02X\n",
                  (0x100 - (sum & 0xFF)) & 0xFF);
    return line;
}

}  // namespace

SoakSession::SoakSession(SoakPlan plan) : plan_(std::move(plan)) {
    // A reader stuck in a silent projector holds the close-down until the
    // cable is pulled: the user does that when the program asks for it.
    windows.WhileMessageBoxOpen([this](const test::MessageBoxRecord& box) {
        if (box.text == kReaderStuckText) {
            system.UnplugProjector();
        }
    });
}

SoakOutcome SoakSession::Play() {
    PresetNumber("Show Completion Message Box", 1);
    PresetNumber(nullptr, plan_.operation == Operation::DownloadVerified ? 1 : 0);
    PresetNumber("Enable Advanced Dialog", 1);
    system.PlugProjector(e2e::QuickProjector());
    Run([this](test::RecordingWindow&) { Story(); });
    // The program has ended: no handle of the driver's may stay open.
    if (const size_t open = system.Kernel().Files().OpenCount(); open != 0) {
        Problem(std::to_string(open) + " driver handles left open");
    }
    TearDown();  // shuts the kernel down; the pool must be empty
    return outcome_;
}

void SoakSession::Story() {
    if (!WaitUntilReady()) {
        Problem("never ready before the operation");
        return;
    }
    PrepareFiles();
    Projector().SetFaults(plan_.faults);
    boxesBefore_ = static_cast<int>(windows.MessageBoxes().size());
    // Clear NVRAM reaches the main window as a posted message: the
    // operation has begun once the window shows it.
    if (!StartOperation() || !PumpUntil([this] { return Busy(); }, kEndBound)) {
        Problem("the operation could not be started");
        return;
    }
    AwaitEnd();
    // What the window showed for this operation; a box after it (the
    // projector restarting after a download meets the fault again) belongs
    // to the next connection.
    boxesAfter_ = static_cast<int>(windows.MessageBoxes().size());
    PumpFor(milliseconds(20));
    JudgeResult();
}

void SoakSession::PrepareFiles() {
    switch (plan_.operation) {
        case Operation::Download:
        case Operation::DownloadVerified: {
            const size_t size = 0x100 + (plan_.seed * 23u) % 0x1800;
            files_.emplace_back(0x28000, PatternBytes(size, plan_.seed));
            std::vector<std::string> names = {"a.hex"};
            WriteHexFile("a.hex", 0x28000, size, plan_.seed, kPlatform);
            if (plan_.seed % 2 == 0) {
                files_.emplace_back(kLastPartition, PatternBytes(0x300, plan_.seed + 1));
                WriteHexFile("b.hex", kLastPartition, 0x300, plan_.seed + 1, kPlatform);
                names.push_back("b.hex");
            }
            windows.AnswerFiles(folder.Path(), names);
            break;
        }
        case Operation::Verify: {
            std::vector<uint8_t> data = Projector().ReadFlash(kLastPartition, kLastPartitionSize);
            if (!plan_.verifyFileMatches) {
                data[plan_.seed % data.size()] ^= 0x01;
            }
            folder.Write("v.hex", IdentificationRecord() + test::IntelHex(kLastPartition, data));
            windows.AnswerFiles(folder.File("v.hex"));
            break;
        }
        default:
            return;
    }
    if (!Win().Click(e2e::Ids::kSelectFiles)) {
        Problem("files could not be selected");
    }
}

bool SoakSession::StartOperation() {
    switch (plan_.operation) {
        case Operation::Download:
        case Operation::DownloadVerified:
            return Win().Click(e2e::Ids::kDownload);
        case Operation::Verify:
            return Win().Click(e2e::Ids::kVerify);
        case Operation::ProgramIds:
            return Win().Type(e2e::Ids::kNewPartNumber, kNewPartNumber) &&
                   Win().Type(e2e::Ids::kNewSerialNumber, kNewSerialNumber) &&
                   Win().Click(e2e::Ids::kProgramIds);
        default: {
            if (!Win().Click(e2e::Ids::kAdvanced)) {
                return false;
            }
            test::RecordingWindow* advanced = windows.Latest(kAdvancedTemplateId);
            return advanced != nullptr && advanced->Click(AdvancedDialogIds::kClearNvram);
        }
    }
}

bool SoakSession::Busy() {
    const uint32_t state = Record().displayState;
    return state == Downloading || state == Verifying || state == ProgrammingIds ||
           state == ClearingNvram;
}

void SoakSession::Disrupt(bool forced) {
    if (!Busy()) {
        return;
    }
    if (plan_.disruption != Disruption::Unplug || forced) {
        if (Win().Click(e2e::Ids::kStop)) {
            outcome_.stopped = true;
            outcome_.forcedStop = forced;
            return;
        }
        // No Stop in this state (Program IDs, Clear NVRAM): the cable is the
        // user's only way out.
    }
    system.UnplugProjector();
    outcome_.unplugged = true;
}

// Delivers the main window's messages until the operation is over; the
// plan's disruption strikes after its number of messages.
void SoakSession::AwaitEnd() {
    int delivered = 0;
    bool disrupted = plan_.disruption == Disruption::None;
    Clock::time_point deadline = Clock::now() + kIdleBound;
    bool forced = false;
    while (Busy()) {
        if (!disrupted && delivered >= plan_.disruptAfterMessages) {
            Disrupt(false);
            disrupted = true;
            deadline = Clock::now() + kEndBound;
        }
        if (DeliverOne(1)) {
            ++delivered;
            if (!outcome_.stopped && !outcome_.unplugged && !forced) {
                deadline = Clock::now() + kIdleBound;  // still moving
            }
            continue;
        }
        if (Clock::now() < deadline) {
            continue;
        }
        if (disrupted && (outcome_.stopped || outcome_.unplugged || forced)) {
            Problem("the operation did not end within " + std::to_string(kEndBound.count()) +
                    " ms after Stop or the cable");
            system.UnplugProjector();  // let the session end somehow
            PumpUntil([this] { return !Busy(); }, kEndBound);
            return;
        }
        // Nothing happens any more: the user presses Stop.
        Disrupt(true);
        forced = true;
        disrupted = true;
        deadline = Clock::now() + kEndBound;
    }
}

void SoakSession::JudgeResult() {
    const std::vector<test::MessageBoxRecord>& boxes = windows.MessageBoxes();
    bool successBox = false;
    bool failureBox = false;
    for (size_t i = static_cast<size_t>(boxesBefore_); i < static_cast<size_t>(boxesAfter_); ++i) {
        if (boxes[i].text == "Download successful") {
            successBox = true;
        } else if (boxes[i].text != kReaderStuckText) {
            failureBox = true;
        }
    }
    const bool interrupted = outcome_.stopped || outcome_.unplugged;
    switch (plan_.operation) {
        case Operation::Download:
        case Operation::DownloadVerified:
            outcome_.succeeded = successBox;
            if (successBox && failureBox) {
                Problem("both success and failure were shown");
            }
            break;
        default:
            outcome_.succeeded = !failureBox && !interrupted && Record().displayState == Ready;
            break;
    }

    if (outcome_.succeeded) {
        // What the program called a success must be true of the projector.
        switch (plan_.operation) {
            case Operation::Download:
            case Operation::DownloadVerified:
                for (const auto& [address, data] : files_) {
                    if (Projector().ReadFlash(address, data.size()) != data) {
                        Problem("download reported successful, flash differs from the file");
                    }
                }
                break;
            case Operation::Verify:
                if (!plan_.verifyFileMatches) {
                    Problem("verification passed on differing flash");
                }
                break;
            case Operation::ProgramIds:
                if (Projector().PartNumber() != kNewPartNumber ||
                    Projector().SerialNumber() != kNewSerialNumber) {
                    Problem("Program IDs reported done, the projector holds " +
                            Projector().PartNumber() + " / " + Projector().SerialNumber());
                }
                break;
            default:
                if (Projector().NvramClearCount() != 1) {
                    Problem("Clear NVRAM reported done, the NVRAM was not cleared");
                }
                break;
        }
    }
    // Without fault or disruption every operation must do its job.
    if (plan_.faultKind == FaultKind::None && !interrupted && !outcome_.forcedStop) {
        const bool expectSuccess = plan_.operation != Operation::Verify || plan_.verifyFileMatches;
        if (outcome_.succeeded != expectSuccess) {
            Problem(std::string("a clean session ended ") +
                    (outcome_.succeeded ? "successful" : "unsuccessful"));
        }
    }
    if (outcome_.forcedStop && plan_.faultKind == FaultKind::None) {
        Problem("a clean session needed Stop to end");
    }
}

}  // namespace corvane::robustness
