// A connected projector for the engine's thread tests: the virtual projector
// behind the device-access double, an engine context, and the reader and
// download threads started the way the device link starts them.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "DeviceAccessDouble.h"
#include "MainWindowHarness.h"
#include "app/engine/DownloadJob.h"
#include "app/engine/EngineContext.h"
#include "app/engine/ReaderLink.h"
#include "sim/VirtualProjector.h"

namespace corvane::test {

sim::ProjectorConfig TestProjectorConfig();

class EngineHarness {
public:
    explicit EngineHarness(sim::ProjectorConfig config = TestProjectorConfig());
    ~EngineHarness();

    // Opens the projector and starts both threads; the job starts the handshake.
    void Connect();
    // Connects and waits for the handshake to end ("Connected").
    bool ConnectAndIdentify();
    void Post(uint32_t message);
    // Unplugs the projector (a pending read fails), ends and joins both threads.
    void Close();
    // Closes, plugs the projector in again and runs a new handshake.
    bool Reconnect();

    // Commands the projector received, one per write request.
    std::vector<std::string> Writes() const { return access.Writes(); }
    bool WaitForWrites(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // After Close(): the job's last state.
    uint32_t FinalState() const { return finalState_; }

    // Adds a firmware file to the main window's list.
    void AddFile(const std::string& path);

    MainWindowHarness window;
    sim::VirtualProjector projector;
    DeviceAccessDouble access{projector};
    EngineContext context;

private:
    std::unique_ptr<ReaderLink> link_;
    std::unique_ptr<DownloadJob> job_;
    bool closed_ = true;
    uint32_t finalState_ = 0;
};

// A temporary file removed with the object.
class TempFile {
public:
    explicit TempFile(const std::string& contents, const std::string& name = "image.hex");
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string directory_;
    std::string path_;
};

// Intel hex text of `data` at `address` (records of recordSize bytes, type 04
// records where the upper address changes, the end-of-file record).
std::string IntelHex(uint32_t address, const std::vector<uint8_t>& data, size_t recordSize = 32);

// Bytes 0, 1, 2 ... seeded so that different files differ.
std::vector<uint8_t> Pattern(size_t size, uint8_t seed);

}  // namespace corvane::test
