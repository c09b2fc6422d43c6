#include "EngineHarness.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <thread>

#include "app/engine/CommandChannel.h"
#include "app/engine/DownloadJobOps.h"
#include "app/ui/WindowMessages.h"

namespace corvane::test {

namespace {

void PostUntilQueued(platform::MessageThread& thread, uint32_t message, platform::LParam lParam) {
    while (!thread.Post(message, 0, lParam)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace

sim::ProjectorConfig TestProjectorConfig() {
    sim::ProjectorConfig config;
    config.layout.flashSize = 0x30000;
    config.layout.starts = {0x0, 0x10000, 0x20000, 0x28000, 0x2C000};
    config.restartDelay = std::chrono::milliseconds(10);
    return config;
}

EngineHarness::EngineHarness(sim::ProjectorConfig config) : projector(std::move(config)) {
    context.mainWindow = &window.record;
    context.mainWindowQueue = &window.queue;
    context.deviceAccess = &access;
}

EngineHarness::~EngineHarness() {
    Close();
}

void EngineHarness::Connect() {
    DeviceRecord& record = context.devices[0];
    record.deviceHandle = access.Open(kDoublePath);
    std::snprintf(record.devicePath, sizeof(record.devicePath), "%s", kDoublePath);
    record.receivedCount = 0;
    record.replyEvent = std::make_unique<platform::Event>();

    link_ = std::make_unique<ReaderLink>(&context);
    link_->slot = 0;
    link_->thread = platform::MessageThread::StartSuspended(ReaderThreadMain, link_.get());
    record.readerLink = link_.get();
    link_->thread->Resume();
    PostUntilQueued(*link_->thread, TM_START, reinterpret_cast<platform::LParam>(link_.get()));

    job_ = std::make_unique<DownloadJob>(&context);
    job_->slot = 0;
    job_->thread = platform::MessageThread::StartSuspended(DownloadThreadMain, job_.get());
    record.job = job_.get();
    job_->thread->Resume();
    closed_ = false;
    PostUntilQueued(*job_->thread, TM_START, reinterpret_cast<platform::LParam>(job_.get()));
}

bool EngineHarness::ConnectAndIdentify() {
    Connect();
    return window.WaitFor(Text(1012, "Connected"));
}

void EngineHarness::Post(uint32_t message) {
    job_->thread->Post(message, 0, 0);
}

bool EngineHarness::WaitForWrites(size_t count, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (access.Writes().size() < count) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void EngineHarness::Close() {
    if (closed_) {
        return;
    }
    closed_ = true;
    DeviceRecord& record = context.devices[0];
    projector.Unplug();  // a read still pending fails, as on removal
    job_->thread->Post(TM_QUIT);
    job_->thread->Join(platform::Event::kInfinite);
    finalState_ = record.state;
    job_.reset();
    record.job = nullptr;
    link_->thread->Post(TM_QUIT);
    link_->thread->Join(platform::Event::kInfinite);
    link_.reset();
    record.readerLink = nullptr;
    if (record.stagedImage != nullptr) {  // as the main window does at exit
        std::fclose(record.stagedImage);
        record.stagedImage = nullptr;
    }
    record.replyEvent.reset();
    access.Close(record.deviceHandle);
    record.deviceHandle = platform::kInvalidDeviceHandle;
    record.devicePath[0] = '\0';
    window.Drain();
}

bool EngineHarness::Reconnect() {
    Close();
    projector.Plug();
    if (!projector.WaitForAttached(true, std::chrono::seconds(5))) {
        return false;
    }
    window.Clear();
    return ConnectAndIdentify();
}

void EngineHarness::AddFile(const std::string& path) {
    MainWindowRecord& record = window.record;
    std::snprintf(record.filePaths[record.fileCount], sizeof(record.filePaths[0]), "%s",
                  path.c_str());
    record.fileCount += 1;
}

TempFile::TempFile(const std::string& contents, const std::string& name) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    std::random_device random;
    for (int attempt = 0; attempt < 100 && directory_.empty(); ++attempt) {
        const fs::path candidate = base / ("corvane-engine-" + std::to_string(random()));
        if (fs::create_directory(candidate, error)) {
            directory_ = candidate.string();
        }
    }
    path_ = directory_ + "/" + name;
    if (FILE* file = std::fopen(path_.c_str(), "wb")) {
        std::fwrite(contents.data(), 1, contents.size(), file);
        std::fclose(file);
    }
}

TempFile::~TempFile() {
    std::remove(path_.c_str());
    std::error_code error;
    std::filesystem::remove(directory_, error);
}

std::string IntelHex(uint32_t address, const std::vector<uint8_t>& data, size_t recordSize) {
    std::string text;
    auto record = [&text](uint8_t type, uint16_t offset, const uint8_t* bytes, size_t count) {
        char line[600];
        int at = std::snprintf(line, sizeof(line), ":%02X%04X%02X", static_cast<unsigned>(count),
                               offset, type);
        unsigned sum = static_cast<unsigned>(count) + (offset >> 8) + (offset & 0xFF) + type;
        for (size_t i = 0; i < count; ++i) {
            at += std::snprintf(line + at, sizeof(line) - at, "%02X", bytes[i]);
            sum += bytes[i];
        }
        std::snprintf(line + at, sizeof(line) - at, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
        text += line;
    };
    uint32_t segmentBase = 0xFFFFFFFF;
    size_t done = 0;
    while (done < data.size()) {
        const uint32_t at = address + static_cast<uint32_t>(done);
        if ((at & 0xF0000) != segmentBase) {
            segmentBase = at & 0xF0000;
            const uint16_t segment = static_cast<uint16_t>(segmentBase >> 4);
            const uint8_t value[2] = {static_cast<uint8_t>(segment >> 8),
                                      static_cast<uint8_t>(segment & 0xFF)};
            record(0x02, 0, value, 2);
        }
        size_t count = std::min(recordSize, data.size() - done);
        // A record stays inside its 64 KiB segment.
        count = std::min<size_t>(count, 0x10000 - (at & 0xFFFF));
        record(0x00, static_cast<uint16_t>(at & 0xFFFF), data.data() + done, count);
        done += count;
    }
    record(0x01, 0, nullptr, 0);
    return text;
}

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 13 + seed + (i >> 8));
    }
    return bytes;
}

}  // namespace corvane::test
