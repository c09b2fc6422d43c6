// The device commands called in-process, so that the projector itself can be
// looked at afterwards; and the terminal front end's own pieces.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/cli/DeviceOptions.h"
#include "app/cli/DeviceSession.h"
#include "app/cli/FileArguments.h"
#include "app/ui/ControlIds.h"
#include "hosted/HostedSystem.h"

namespace corvane::cli {
namespace {

using ::testing::HasSubstr;

// Output streams in memory.
class CapturedStreams {
public:
    CapturedStreams() : out_(std::tmpfile()), err_(std::tmpfile()) {}
    ~CapturedStreams() {
        std::fclose(out_);
        std::fclose(err_);
    }
    CliStreams Streams() const { return {out_, err_}; }
    std::string Out() const { return Read(out_); }
    std::string Err() const { return Read(err_); }

private:
    static std::string Read(FILE* file) {
        std::fflush(file);
        std::rewind(file);
        std::string text;
        char chunk[4096];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
            text.append(chunk, got);
        }
        return text;
    }
    FILE* out_;
    FILE* err_;
};

class InProcessCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings_ = ::testing::TempDir() + "corvane_cli_inproc_" + std::to_string(getpid()) +
                    "_settings.reg";
        std::remove(settings_.c_str());
        options_.simulate = true;
        options_.settingsFile = settings_;
        options_.quiet = true;
    }
    void TearDown() override { std::remove(settings_.c_str()); }

    void EnableAdvancedWindow() const {
        FILE* file = std::fopen(settings_.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fputs(
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Moravex\\Corvane\\Settings]\n"
            "\"Enable Advanced Dialog\"=dword:00000001\n",
            file);
        std::fclose(file);
    }

    std::string settings_;
    DeviceOptions options_;
    CapturedStreams streams_;
};

TEST_F(InProcessCommandTest, ProgramIdsChangesTheProjectorsNumbers) {
    OperationRequest request;
    request.kind = OperationKind::ProgramIds;
    request.newPartNumber = "2002-0000-09";
    request.newSerialNumber = "B7700";
    std::string part, serial;
    const int status = RunDeviceOperation(options_, request, streams_.Streams(),
                                          [&](hosted::HostedSystem& system) {
                                              part = system.Projector()->PartNumber();
                                              serial = system.Projector()->SerialNumber();
                                          });
    EXPECT_EQ(status, kExitSuccess) << streams_.Err();
    EXPECT_EQ(part, "2002-0000-09");
    EXPECT_EQ(serial, "B7700");
}

TEST_F(InProcessCommandTest, OnlyTheGivenNumberIsWritten) {
    OperationRequest request;
    request.kind = OperationKind::ProgramIds;
    request.newSerialNumber = "Z1";
    std::string part, serial;
    const int status = RunDeviceOperation(options_, request, streams_.Streams(),
                                          [&](hosted::HostedSystem& system) {
                                              part = system.Projector()->PartNumber();
                                              serial = system.Projector()->SerialNumber();
                                          });
    EXPECT_EQ(status, kExitSuccess) << streams_.Err();
    EXPECT_EQ(part, "1002-3456-01");
    EXPECT_EQ(serial, "Z1");
}

TEST_F(InProcessCommandTest, ClearNvramClearsItOnce) {
    EnableAdvancedWindow();
    OperationRequest request;
    request.kind = OperationKind::ClearNvram;
    int clears = -1;
    std::vector<uint8_t> nvram;
    const int status = RunDeviceOperation(options_, request, streams_.Streams(),
                                          [&](hosted::HostedSystem& system) {
                                              clears = system.Projector()->NvramClearCount();
                                              nvram = system.Projector()->NvramContents();
                                          });
    EXPECT_EQ(status, kExitSuccess) << streams_.Err();
    EXPECT_EQ(clears, 1);
    ASSERT_FALSE(nvram.empty());
    EXPECT_EQ(std::count(nvram.begin(), nvram.end(), 0xFF), static_cast<long>(nvram.size()));
}

TEST_F(InProcessCommandTest, ARefusedClearIsAFailureAndNothingIsCleared) {
    EnableAdvancedWindow();
    ASSERT_EQ(
        ReadDeviceOptions({"--simulate", "--sim-fault", "nak=C", "-q", "--settings", settings_},
                          false, options_),
        "");
    OperationRequest request;
    request.kind = OperationKind::ClearNvram;
    int clears = -1;
    const int status = RunDeviceOperation(
        options_, request, streams_.Streams(),
        [&](hosted::HostedSystem& s) { clears = s.Projector()->NvramClearCount(); });
    EXPECT_EQ(status, kExitFailure);
    EXPECT_EQ(clears, 0);
    EXPECT_THAT(streams_.Err(), HasSubstr("clear-nvram: failed"));
}

TEST_F(InProcessCommandTest, InfoLeavesTheFlashAlone) {
    OperationRequest request;
    std::vector<uint8_t> before, after;
    sim::VirtualProjector probe(options_.projector);
    before = probe.FlashContents();
    const int status = RunDeviceOperation(
        options_, request, streams_.Streams(),
        [&](hosted::HostedSystem& system) { after = system.Projector()->FlashContents(); });
    EXPECT_EQ(status, kExitSuccess);
    EXPECT_EQ(before, after);
}

TEST(SimulatorFaultItemTest, MapsTheTerminalsFaultsOntoTheProjectors) {
    std::string error;
    EXPECT_EQ(SimulatorFaultItem("nak=F:3", &error), "refuse=F:3");
    EXPECT_EQ(SimulatorFaultItem("silence-after=block", &error), "silence=block");
    EXPECT_EQ(SimulatorFaultItem("bad-crc", &error), "wrong-crc=1");
    EXPECT_EQ(SimulatorFaultItem("bad-crc=2", &error), "wrong-crc=2");
    EXPECT_EQ(SimulatorFaultItem("unplug-after-blocks=9", &error), "unplug-after-blocks=9");
    EXPECT_EQ(SimulatorFaultItem("split=B:5", &error), "split=B:5");
    EXPECT_EQ(SimulatorFaultItem("pacing", &error), std::nullopt);  // an option of its own
    EXPECT_EQ(SimulatorFaultItem("refuse", &error), std::nullopt);
    EXPECT_EQ(SimulatorFaultItem("", &error), std::nullopt);
}

TEST(DeviceOptionsTest, ReadsTheRunsOptions) {
    DeviceOptions options;
    EXPECT_EQ(
        ReadDeviceOptions({"--verify", "--timeout", "2.5", "--simulate", "--sim-platform", "ABC",
                           "--sim-fault", "nak=P:2", "--sim-fault", "bad-crc", "a.hex"},
                          false, options),
        "");
    EXPECT_TRUE(options.verify);
    EXPECT_DOUBLE_EQ(options.timeoutSeconds, 2.5);
    EXPECT_EQ(options.projector.platformId, "ABC");
    EXPECT_EQ(options.projector.faults.wrongChecksums, 1);
    EXPECT_EQ(options.projector.faults.refusals.size(), 1u);
    EXPECT_EQ(options.positionals, std::vector<std::string>{"a.hex"});
    DeviceOptions twice;
    EXPECT_THAT(ReadDeviceOptions({"--timeout", "1", "--timeout", "2"}, false, twice),
                HasSubstr("given twice"));
    DeviceOptions noValue;
    EXPECT_THAT(ReadDeviceOptions({"--simulate", "--sim-fault"}, false, noValue),
                HasSubstr("needs a value"));
}

TEST(DeviceOptionsTest, RealProjectorsAreChosenByDeviceAndAddedIds) {
    DeviceOptions options;
    ASSERT_EQ(ReadDeviceOptions(
                  {"--device", "1-4.2", "--usb-id", "04b4:1004", "--usb-id", "04B4:1005", "info"},
                  false, options),
              "");
    EXPECT_EQ(options.usb.device, "1-4.2");
    EXPECT_TRUE(options.usb.ids.Contains(0x04B4, 0x1004));
    EXPECT_TRUE(options.usb.ids.Contains(0x04B4, 0x1005));
    EXPECT_TRUE(options.usb.ids.Contains(0x1209, 0x0001));  // the projector's own stay

    const std::vector<std::pair<CliArguments, const char*>> refused = {
        {{"--usb-id", "04b4"}, "--usb-id takes VID:PID"},
        {{"--usb-id", "04b4:10045"}, "--usb-id takes VID:PID"},
        {{"--usb-id"}, "needs a value"},
        {{"--device", ""}, "--device needs"},
        {{"--device", "1-4", "--device", "1-5"}, "given twice"},
        {{"--simulate", "--device", "1-4"}, "not the virtual one"},
        {{"--simulate", "--usb-id", "04b4:1004"}, "not the virtual one"},
    };
    for (const auto& [arguments, error] : refused) {
        DeviceOptions refusedOptions;
        EXPECT_THAT(ReadDeviceOptions(arguments, false, refusedOptions), HasSubstr(error))
            << arguments[0];
    }
}

TEST(DeviceOptionsTest, TheUsbIdsSettingAddsIdsAndNamesTheFirstThatIsNone) {
    usb::UsbIdList ids;
    EXPECT_EQ(AddUsbIdSetting(" 04b4:1004,04b4:1005\t1234:5678 ,, ", ids), "");
    EXPECT_TRUE(ids.Contains(0x04B4, 0x1004));
    EXPECT_TRUE(ids.Contains(0x04B4, 0x1005));
    EXPECT_TRUE(ids.Contains(0x1234, 0x5678));
    EXPECT_EQ(AddUsbIdSetting("", ids), "");

    usb::UsbIdList partly;
    EXPECT_THAT(AddUsbIdSetting("04b4:1004 projector 04b4:1005", partly),
                HasSubstr("\"projector\""));
    EXPECT_TRUE(partly.Contains(0x04B4, 0x1004));
    EXPECT_FALSE(partly.Contains(0x04B4, 0x1005));  // nothing after a bad entry is trusted
}

class FileArgumentsTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = ::testing::TempDir() + "corvane_cli_files_" + std::to_string(getpid());
        ASSERT_EQ(std::system(("mkdir -p " + folder_ + "/sub/deeper").c_str()), 0);
        for (const char* name : {"/a.hex", "/sub/b.hex", "/sub/deeper/c.mot", "/list.DlD"}) {
            FILE* file = std::fopen((folder_ + name).c_str(), "w");
            ASSERT_NE(file, nullptr);
            std::fclose(file);
        }
    }
    void TearDown() override { std::system(("rm -rf " + folder_).c_str()); }

    static std::vector<std::string> Texts(const OpenFileResult& result) {
        std::vector<std::string> texts;
        size_t at = 0;
        while (at < result.buffer.size() && result.buffer[at] != '\0') {
            texts.emplace_back(result.buffer.data() + at);
            at += texts.back().size() + 1;
        }
        return texts;
    }

    std::string folder_;
};

TEST_F(FileArgumentsTest, OneFileIsItsFullPath) {
    OpenFileResult result;
    ASSERT_EQ(ChooseFiles({folder_ + "/sub/b.hex"}, result), "");
    const std::string path(result.buffer.data());
    EXPECT_EQ(path.substr(path.size() - 10), "/sub/b.hex");
    EXPECT_EQ(std::string(result.buffer.data() + result.fileOffset), "b.hex");
    EXPECT_EQ(result.buffer.back(), '\0');
}

TEST_F(FileArgumentsTest, SeveralFilesAreTheirSharedFolderAndNamesBelowIt) {
    OpenFileResult result;
    ASSERT_EQ(ChooseFiles({folder_ + "/sub/deeper/c.mot", folder_ + "/a.hex",
                           folder_ + "/sub/../sub/b.hex"},
                          result),
              "");
    const std::vector<std::string> texts = Texts(result);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[1], "sub/deeper/c.mot");  // in the order given
    EXPECT_EQ(texts[2], "a.hex");
    EXPECT_EQ(texts[3], "sub/b.hex");
    EXPECT_EQ(result.fileOffset, texts[0].size() + 1);
    ASSERT_GE(result.buffer.size(), 2u);
    EXPECT_EQ(result.buffer[result.buffer.size() - 2], '\0');  // the double NUL
}

TEST_F(FileArgumentsTest, RefusesWhatTheDialogCouldNotReturn) {
    OpenFileResult result;
    EXPECT_THAT(ChooseFiles({folder_ + "/none.hex"}, result), HasSubstr("cannot open"));
    EXPECT_THAT(ChooseFiles({folder_ + "/list.DlD", folder_ + "/a.hex"}, result),
                HasSubstr(".DLD list is given alone"));
    EXPECT_THAT(ChooseFiles(std::vector<std::string>(9, folder_ + "/a.hex"), result),
                HasSubstr("at most 8"));
    EXPECT_EQ(ChooseFiles(std::vector<std::string>(8, folder_ + "/a.hex"), result), "");
}

}  // namespace
}  // namespace corvane::cli
