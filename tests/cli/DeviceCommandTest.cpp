// corvane-cli's device commands end to end, as a user runs them: the built
// program over the hosted driver and the virtual projector.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/cli/CliRunner.h"
#include "tests/cli/ExampleFlash.h"
#include "tests/files/FirmwareFileWriter.h"

namespace corvane::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

const std::string kExamples = CORVANE_EXAMPLES_DIR;
const std::string kDemoList = kExamples + "/demo.dld";
const std::string kMainHex = kExamples + "/pjx2000-main.hex";
const std::string kConfigSrec = kExamples + "/pjx2000-config.mot";

class DeviceCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string prefix =
            ::testing::TempDir() + "corvane_cli_dev_" + std::to_string(getpid()) + "_";
        settings_ = prefix + "settings.reg";
        flash_ = prefix + "flash.bin";
        std::remove(settings_.c_str());
        std::remove(flash_.c_str());
    }
    void TearDown() override {
        std::remove(settings_.c_str());
        std::remove(flash_.c_str());
    }

    // The program on the virtual projector with this test's settings file.
    CliRun Run(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), {"--simulate", "--settings", settings_});
        return RunCli(arguments);
    }
    std::string Flash() const { return ReadWholeFile(flash_); }

    std::string settings_;
    std::string flash_;
};

TEST_F(DeviceCommandTest, InfoPrintsTheIdentityAndThePartitions) {
    const CliRun run = Run({"info", "--sim-part-number", "PN-77", "--sim-serial-number", "SN-88"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("platform: PJX2000-A1\n"));
    EXPECT_THAT(run.out, HasSubstr("part number: PN-77\n"));
    EXPECT_THAT(run.out, HasSubstr("serial number: SN-88\n"));
    EXPECT_THAT(run.out, HasSubstr("partitions: 4\n"));
    EXPECT_THAT(run.out, HasSubstr("  1: 010000-07FFFF (458752 bytes)\n"));
    EXPECT_THAT(run.out, HasSubstr("  3: 0F0000-0FFFFF (65536 bytes)\n"));
    EXPECT_THAT(run.out, HasSubstr("Requesting Platform ID..."));
    EXPECT_EQ(run.err, "");
}

TEST_F(DeviceCommandTest, OptionsMayComeAfterTheCommand) {
    const CliRun run = RunCli({"info", "--settings", settings_, "--simulate", "-q"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("platform: PJX2000-A1"));
    EXPECT_THAT(run.out, Not(HasSubstr("Requesting")));  // -q: no status lines
}

TEST_F(DeviceCommandTest, DownloadsTheExampleListWithVerificationIntoTheFlash) {
    const CliRun before = Run({"info", "-q", "--sim-dump-flash", flash_});
    ASSERT_EQ(before.exitStatus, 0) << before.err;
    const std::string old = Flash();
    ASSERT_EQ(old.size(), 0x100000u);

    const CliRun run = Run({"--verify", "download", kDemoList, "--sim-dump-flash", flash_});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("Downloading pjx2000-main.hex"));
    EXPECT_THAT(run.out, HasSubstr("Verifying pjx2000-config.mot"));
    EXPECT_THAT(run.out, HasSubstr("\n2%\n5%\n"));  // plain percentage lines off a terminal
    EXPECT_THAT(run.out, HasSubstr("download: ok"));
    EXPECT_EQ(run.err, "");

    EXPECT_EQ(WrongDemoListBytes(Flash(), old), 0u);
}

TEST_F(DeviceCommandTest, DownloadTakesSeveralFilesFromDifferentFolders) {
    const std::string other =
        WriteTempFile("boot.hex", IntelHexFile(0x80000, Pattern(64, 3), {16, "\n", "PJX2000-A1"}));
    const CliRun run = Run({"download", kMainHex, other, "--sim-dump-flash", flash_});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("Downloading pjx2000-main.hex"));
    EXPECT_THAT(run.out, HasSubstr("boot.hex"));
    const std::string flash = Flash();
    ASSERT_EQ(flash.size(), 0x100000u);
    EXPECT_EQ(static_cast<uint8_t>(flash[0x80000]), Pattern(64, 3)[0]);
    EXPECT_EQ(static_cast<uint8_t>(flash[0x10000]), ExampleByte(0x10000, 0x42));
    std::remove(other.c_str());
}

TEST_F(DeviceCommandTest, TheRunsOwnChoicesAreNotWrittenIntoTheSettings) {
    const CliRun run = Run({"--verify", "--no-hw-match", "-q", "download", kConfigSrec});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    const std::string settings = ReadWholeFile(settings_);
    EXPECT_THAT(settings, HasSubstr("\"Match Files to Hardware\"=dword:00000001"));
    EXPECT_THAT(settings, HasSubstr("@=dword:00000000"));  // VerifyDownloads
}

TEST_F(DeviceCommandTest, VerifyOfAFileTheFlashHoldsPasses) {
    const CliRun before = Run({"info", "-q", "--sim-dump-flash", flash_});
    ASSERT_EQ(before.exitStatus, 0);
    const std::string old = Flash();
    ASSERT_EQ(old.size(), 0x100000u);
    // The whole of partition 3 as the projector holds it now.
    const Bytes partition(old.begin() + 0xF0000, old.end());
    const std::string file =
        WriteTempFile("same.hex", IntelHexFile(0xF0000, partition, {16, "\n", "PJX2000-A1"}));
    const CliRun run = Run({"verify", file});
    EXPECT_EQ(run.exitStatus, 0) << run.out << run.err;
    EXPECT_THAT(run.out, HasSubstr("verify: ok"));
    std::remove(file.c_str());
}

TEST_F(DeviceCommandTest, VerifyAgainstOtherFirmwareFails) {
    const CliRun run = Run({"verify", kConfigSrec});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_THAT(run.err, HasSubstr("Flash Verification: Failed!"));
    EXPECT_THAT(run.out, Not(HasSubstr("verify: ok")));
}

TEST_F(DeviceCommandTest, AWrongChecksumAfterProgrammingFailsTheDownload) {
    const CliRun run = Run({"--verify", "download", kConfigSrec, "--sim-fault", "bad-crc"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_THAT(run.err, HasSubstr("Corvane: Download Verification Error"));
    EXPECT_THAT(run.out, Not(HasSubstr("download: ok")));
}

TEST_F(DeviceCommandTest, UnpluggedMidDownloadIsALostConnection) {
    const CliRun run = Run({"download", kDemoList, "--sim-fault", "unplug-after-blocks=20"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_THAT(run.err, HasSubstr("Corvane: Lost connection during download!\n"));
    EXPECT_THAT(run.err, HasSubstr("download: failed: Lost connection during download!"));
    EXPECT_THAT(run.out, Not(HasSubstr("download: ok")));
    EXPECT_THAT(run.out, Not(HasSubstr("Download successful")));
}

TEST_F(DeviceCommandTest, NegativeRepliesToEveryBlockFailTheDownload) {
    const CliRun run = Run({"download", kMainHex, "--sim-fault", "nak=block:always"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_THAT(run.err, HasSubstr("Corvane: "));
    EXPECT_THAT(run.out, Not(HasSubstr("download: ok")));
}

TEST_F(DeviceCommandTest, ANegativeSyncReplyIsShownAndFails) {
    const CliRun run = Run({"info", "--sim-fault", "nak=Sync:2"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_THAT(run.err, HasSubstr("Corvane: Invalid sync with projector"));
}

TEST_F(DeviceCommandTest, ASilentProjectorEndsAtTheTimeOut) {
    const CliRun run = Run({"info", "--timeout", "0.5", "--sim-fault", "silence-after=Sync"});
    EXPECT_EQ(run.exitStatus, 3);
    EXPECT_THAT(run.err, HasSubstr("No projector was ready within 0.5 s"));
}

TEST_F(DeviceCommandTest, NoProjectorEndsAtTheTimeOut) {
    const CliRun run = RunCli({"--settings", settings_, "--timeout", "0.3", "info"});
    EXPECT_EQ(run.exitStatus, 3);
    EXPECT_THAT(run.err, HasSubstr("info: failed: No projector was ready within 0.3 s"));
    const CliRun list = RunCli({"list", "--timeout", "0"});
    EXPECT_EQ(list.exitStatus, 3);
    EXPECT_EQ(list.out, "");
}

TEST_F(DeviceCommandTest, ListShowsTheProjectorInterface) {
    const CliRun run = RunCli({"list", "--simulate"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1);
}

TEST_F(DeviceCommandTest, PlatformMismatchFailsUnlessMatchingIsOff) {
    const CliRun run = Run({"download", kConfigSrec, "--sim-platform", "PJX3000-B2"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_THAT(run.err, HasSubstr("Corvane: File and Projector Do Not Match"));
    const CliRun unmatched =
        Run({"download", kConfigSrec, "--sim-platform", "PJX3000-B2", "--no-hw-match"});
    EXPECT_EQ(unmatched.exitStatus, 0) << unmatched.err;
}

TEST_F(DeviceCommandTest, UnusableFilesAndListsAreBadUsage) {
    const std::string corrupt =
        WriteTempFile("corrupt.hex", ":0A00000F504A58323030302D413194\nxyz\n");
    const CliRun bad = Run({"download", corrupt});
    EXPECT_EQ(bad.exitStatus, 2);
    EXPECT_THAT(bad.err, HasSubstr("Invalid or corrupt hex file!"));

    const std::string noSection = WriteTempFile("empty.dld", "[Other]\nFile=\"x.hex\"\n");
    const CliRun list = Run({"download", noSection});
    EXPECT_EQ(list.exitStatus, 2);
    EXPECT_THAT(list.err, HasSubstr("Corvane: Can't open .DLD file: "));

    const std::string missing =
        WriteTempFile("missing.dld", "[DownloadFiles]\nFile=\"nope.hex\"\n");
    const CliRun named = Run({"download", missing});
    EXPECT_EQ(named.exitStatus, 2);
    EXPECT_THAT(named.err, HasSubstr("Error Opening File"));

    EXPECT_EQ(Run({"download", "/no/such/file.hex"}).exitStatus, 2);
    EXPECT_EQ(Run({"download", kDemoList, kMainHex}).exitStatus, 2);
    const std::vector<std::string> nine(9, kMainHex);
    std::vector<std::string> arguments = {"download"};
    arguments.insert(arguments.end(), nine.begin(), nine.end());
    const CliRun tooMany = Run(arguments);
    EXPECT_EQ(tooMany.exitStatus, 2);
    EXPECT_THAT(tooMany.err, HasSubstr("at most 8 firmware files"));
    for (const std::string& path : {corrupt, noSection, missing}) {
        std::remove(path.c_str());
    }
}

TEST_F(DeviceCommandTest, BadOptionsAreBadUsage) {
    EXPECT_EQ(RunCli({"info", "--sim-pace"}).exitStatus, 2);  // without --simulate
    const CliRun fault = Run({"info", "--sim-fault", "explode"});
    EXPECT_EQ(fault.exitStatus, 2);
    EXPECT_THAT(fault.err, HasSubstr("--sim-fault explode"));
    EXPECT_EQ(Run({"info", "--sim-fault", "nak=Q:1"}).exitStatus, 2);
    EXPECT_EQ(Run({"info", "--timeout", "soon"}).exitStatus, 2);
    EXPECT_EQ(Run({"info", "--timeout", "-1"}).exitStatus, 2);
    EXPECT_EQ(Run({"info", "extra"}).exitStatus, 2);
    EXPECT_EQ(Run({"info", "--pn", "X"}).exitStatus, 2);
    EXPECT_EQ(Run({"info", "-q", "-v"}).exitStatus, 2);
    EXPECT_EQ(Run({"program-ids"}).exitStatus, 2);
    EXPECT_EQ(Run({"program-ids", "--pn", "123456789012345"}).exitStatus, 2);  // 15 characters
    EXPECT_EQ(Run({"program-ids", "--sn", ""}).exitStatus, 2);
    EXPECT_EQ(Run({"info", "--sim-partitions", "4,100000,0"}).exitStatus, 2);
}

TEST_F(DeviceCommandTest, HelpDocumentsEveryFaultAndTheExitStatus) {
    const CliRun run = RunCli({"download", "--help"});
    EXPECT_EQ(run.exitStatus, 0);
    for (const char* text :
         {"nak=CMD[:N]", "silence-after=CMD", "unplug-after-blocks=N", "bad-crc[=N]",
          "unplug-at=CMD", "split=CMD:BYTE[:N]", "zlp=CMD[:N]", "long-reply=CMD:LENGTH[:N]",
          "descriptor=TEXT", "exit status: 0", "3 no projector"}) {
        EXPECT_THAT(run.out, HasSubstr(text));
    }
    const CliRun all = RunCli({"--help"});
    for (const char* command :
         {"info", "download", "verify", "program-ids", "clear-nvram", "list", "convert"}) {
        EXPECT_THAT(all.out, HasSubstr(std::string("  ") + command + " "));
    }
}

TEST_F(DeviceCommandTest, ProgramIdsWritesTheNumbers) {
    const CliRun run = Run({"program-ids", "--pn", "2002-0000-09", "--sn", "B77"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("program-ids: ok"));
    const CliRun refused = Run({"program-ids", "--sn", "B77", "--sim-fault", "nak=SS"});
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_THAT(refused.out, Not(HasSubstr("program-ids: ok")));
}

TEST_F(DeviceCommandTest, ClearNvramNeedsTheAdvancedWindow) {
    const CliRun refused = Run({"clear-nvram"});
    EXPECT_EQ(refused.exitStatus, 2);
    EXPECT_THAT(refused.err, HasSubstr("EnableAdvancedDialog"));
    WriteTempFile("unused", "");
    FILE* file = std::fopen(settings_.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs(
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Moravex\\Corvane\\Settings]\n"
        "\"Enable Advanced Dialog\"=dword:00000001\n",
        file);
    std::fclose(file);
    const CliRun run = Run({"clear-nvram"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("clear-nvram: ok"));
}

TEST_F(DeviceCommandTest, JsonGivesOneObjectPerLineAndASummary) {
    const CliRun run = Run({"--json", "download", kDemoList});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < run.out.size()) {
        const size_t end = run.out.find('\n', at);
        lines.push_back(run.out.substr(at, end - at));
        at = end + 1;
    }
    ASSERT_GE(lines.size(), 3u);
    for (const std::string& line : lines) {
        EXPECT_EQ(line.front(), '{') << line;
        EXPECT_EQ(line.back(), '}') << line;
    }
    EXPECT_THAT(run.out,
                HasSubstr("{\"event\":\"status\",\"text\":\"Downloading pjx2000-main.hex...\"}"));
    EXPECT_THAT(run.out, HasSubstr("{\"event\":\"progress\",\"percent\":5,\"bytes\":"));
    const std::string& summary = lines.back();
    EXPECT_THAT(summary,
                HasSubstr("{\"event\":\"summary\",\"operation\":\"download\",\"result\":\"ok\""));
    EXPECT_THAT(summary, HasSubstr("\"errorCode\":null,\"errorText\":null"));
    EXPECT_THAT(summary, HasSubstr("\"platform\":\"PJX2000-A1\",\"partNumber\":\"1002-3456-01\""));
    EXPECT_THAT(summary, HasSubstr("\"serialNumber\":\"A10000012345\""));
    EXPECT_THAT(summary, HasSubstr("\"partitions\":[{\"start\":0,\"end\":65536},"));
    EXPECT_THAT(summary, HasSubstr("pjx2000-config.mot\"]"));
    EXPECT_THAT(summary, Not(HasSubstr("\"bytesSent\":0,")));
    EXPECT_THAT(summary, HasSubstr("\"seconds\":"));
}

TEST_F(DeviceCommandTest, JsonSummaryOfAFailureCarriesTheError) {
    const CliRun run = Run({"--json", "download", kMainHex, "--sim-platform", "OTHER"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_THAT(
        run.out,
        HasSubstr("{\"event\":\"error\",\"code\":5,\"text\":\"File and Projector Do Not Match\"}"));
    EXPECT_THAT(run.out, HasSubstr("{\"event\":\"message-box\",\"caption\":\"Corvane\",\"text\":"
                                   "\"File and Projector Do Not Match\",\"icon\":\"error\"}"));
    EXPECT_THAT(run.out, HasSubstr("\"result\":\"failed\",\"errorCode\":5,\"errorText\":\"File and "
                                   "Projector Do Not Match\""));
}

TEST_F(DeviceCommandTest, CtrlCDuringAPacedDownloadPressesStopAndEnds) {
    // Some seconds of paced download, so that the signal comes while it runs.
    const std::string big = WriteTempFile(
        "big.hex", IntelHexFile(0x10000, Pattern(400 * 1024, 5), {16, "\n", "PJX2000-A1"}));
    const CliRun run =
        RunCliInterrupted({"--simulate", "--settings", settings_, "--sim-pace", "download", big},
                          "Downloading corvane_cli_", SIGINT);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_THAT(run.out, HasSubstr("Interrupted: pressing Stop"));
    EXPECT_THAT(run.err, HasSubstr("download: failed: Interrupted"));
    EXPECT_THAT(run.out, Not(HasSubstr("download: ok")));
    std::remove(big.c_str());
}

TEST_F(DeviceCommandTest, CtrlCEndsADownloadToASilentProjector) {
    const CliRun run = RunCliInterrupted({"--simulate", "--settings", settings_, "download",
                                          kMainHex, "--sim-fault", "silence-after=block"},
                                         "Downloading pjx2000-main.hex", SIGINT);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_THAT(run.err, HasSubstr("download: failed: Interrupted"));
}

}  // namespace
}  // namespace corvane::test
