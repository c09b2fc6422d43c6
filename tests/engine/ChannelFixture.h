// A device record wired to a scripted device through the device-access
// double, with a reader link but no threads: tests call the channel, the
// requests and the reader's read request directly.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "DeviceAccessDouble.h"
#include "MainWindowHarness.h"
#include "PacketDeviceDouble.h"
#include "app/engine/EngineContext.h"
#include "app/engine/ReaderLink.h"

namespace corvane::test {

class ChannelFixture : public ::testing::Test {
protected:
    ChannelFixture() {
        context.mainWindow = &window.record;
        context.mainWindowQueue = &window.queue;
        context.deviceAccess = &access;
        record().deviceHandle = access.Open(kDoublePath);
        record().replyEvent = std::make_unique<platform::Event>();
        link.slot = 0;
        record().readerLink = &link;
    }
    ~ChannelFixture() override {
        if (record().stagedImage != nullptr) {
            std::fclose(record().stagedImage);
        }
    }

    DeviceRecord& record() { return context.devices[0]; }

    // Puts a reply into the record as the reader would have collected it,
    // and sets the event.
    void Reply(const std::string& bytes) {
        std::memset(record().replyText, 0, sizeof(record().replyText));
        std::memcpy(record().replyText, bytes.data(), bytes.size());
        record().receivedCount = static_cast<uint16_t>(bytes.size());
    }
    std::string ReplyText() { return std::string(record().replyText, record().receivedCount); }

    // Commands written since the last call.
    std::vector<std::string> TakeWrites() {
        std::vector<std::string> all = device.Written();
        std::vector<std::string> fresh(all.begin() + static_cast<long>(seen_), all.end());
        seen_ = all.size();
        return fresh;
    }

    MainWindowHarness window;
    PacketDeviceDouble device;
    DeviceAccessDouble access{device};
    EngineContext context;
    ReaderLink link{&context};

private:
    size_t seen_ = 0;
};

inline const std::string kAckText = "\x06";

}  // namespace corvane::test
