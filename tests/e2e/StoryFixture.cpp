#include "tests/e2e/StoryFixture.h"

#include <cstdio>
#include <thread>

#include "EngineHarness.h"
#include "platform/SettingsKey.h"

namespace corvane::e2e {

sim::ProjectorConfig QuickProjector() {
    return test::TestProjectorConfig();
}

StoryTest::StoryTest() {
    windows.WhileMessageBoxOpen([this](const test::MessageBoxRecord&) {
        if (readBoxFor.count() > 0) {
            PumpFor(readBoxFor);
        }
    });
}

void StoryTest::TearDown() {
    application_.reset();
    system.Shutdown();
    EXPECT_EQ(system.OutstandingPool(), 0u) << "pool blocks left after the story";
    EXPECT_TRUE(system.Kernel().Violations().empty());
}

int StoryTest::Run(std::function<void(RecordingWindow& window)> story) {
    ApplicationPlatform platform;
    platform.settingsFile = folder.File("Settings.reg");
    DeviceLinkMaker makeLink = MakeProjectorDeviceLink(system.Notifications());
    application_ = std::make_unique<Application>(
        windows, system.DeviceAccess(),
        [this, makeLink](Application& application) {
            std::unique_ptr<DeviceLink> link = makeLink(application);
            link_ = static_cast<ProjectorDeviceLink*>(link.get());
            return link;
        },
        platform);
    application_->Program().debugOutput.SetSink([this](const char* text) {
        std::lock_guard lock(debugMutex_);
        debugTexts_.emplace_back(text);
    });
    windows.ScriptModal(kMainTemplateId, [this, story](RecordingWindow& window) {
        window_ = &window;
        story(window);
    });
    const int result = application_->Run();
    window_ = nullptr;
    link_ = nullptr;
    // The program has ended: nothing of the connection may be left.
    EXPECT_EQ(application_->Engine().devices[0].deviceHandle, platform::kInvalidDeviceHandle);
    EXPECT_EQ(application_->Engine().devices[0].job, nullptr);
    EXPECT_EQ(application_->Engine().devices[0].readerLink, nullptr);
    EXPECT_EQ(application_->Engine().devices[0].stagedImage, nullptr);
    EXPECT_EQ(system.HostedNotifications().RegisteredCount(), 0u);
    return result;
}

bool StoryTest::DeliverOne(uint32_t waitMs) {
    platform::WindowMessageQueue* queue = windows.MainQueue();
    platform::Message message;
    if (queue == nullptr || !queue->Take(message, waitMs)) {
        return false;
    }
    application_->Main().DispatchMessage(message.message, message.wParam, message.lParam);
    return true;
}

// One message at a time, so that a state passed through on the way (Clearing
// NVRAM, say) is seen even when the next message is already queued.
bool StoryTest::PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (!DeliverOne(1) && std::chrono::steady_clock::now() > deadline) {
            return false;
        }
    }
    return true;
}

void StoryTest::PumpFor(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end) {
        DeliverOne(1);
    }
    windows.PumpMainQueue();
}

bool StoryTest::IsConnected() const {
    return link_ != nullptr && link_->HasOpenDevice(0);
}

bool StoryTest::WaitUntilReady() {
    return PumpUntil([this] { return IsConnected() && Record().displayState == Ready; });
}

bool StoryTest::WaitUntilWaiting() {
    return PumpUntil([this] { return Record().displayState == WaitingForProjector; });
}

void StoryTest::PresetNumber(const char* name, uint32_t value) {
    auto key = platform::SettingsKey::OpenOrCreate(folder.File("Settings.reg"));
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(key->SetNumber(name, value));
}

void StoryTest::PresetText(const char* name, const std::string& text) {
    auto key = platform::SettingsKey::OpenOrCreate(folder.File("Settings.reg"));
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(key->SetText(name, text.c_str()));
}

std::string StoryTest::WriteHexFile(const std::string& name, uint32_t address, size_t size,
                                    uint8_t seed, const std::string& platform) {
    std::string text;
    if (!platform.empty()) {
        // Record type F: the platform the file is meant for.
        char line[64];
        unsigned sum = static_cast<unsigned>(platform.size()) + 0x0F;
        int at = std::snprintf(line, sizeof(line), ":%02X00000F",
                               static_cast<unsigned>(platform.size()));
        for (unsigned char c : platform) {
            at += std::snprintf(line + at, sizeof(line) - at, "%02X", c);
            sum += c;
        }
        std::snprintf(line + at, sizeof(line) - at, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
        text = line;
    }
    folder.Write(name, text + test::IntelHex(address, test::Pattern(size, seed)));
    return folder.File(name);
}

std::vector<uint8_t> StoryTest::PatternBytes(size_t size, uint8_t seed) const {
    return test::Pattern(size, seed);
}

std::vector<std::string> StoryTest::BoxTexts() const {
    std::vector<std::string> texts;
    for (const test::MessageBoxRecord& box : windows.MessageBoxes()) {
        texts.push_back(box.text);
    }
    return texts;
}

std::vector<std::string> StoryTest::DebugTexts() const {
    std::lock_guard lock(debugMutex_);
    return debugTexts_;
}

}  // namespace corvane::e2e
