// corvane-cli without --simulate, as separate processes, on projectors behind
// real libusb: corvane-usbfs serves virtual projectors on an emulated usbfs
// to the commands it starts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/cli/CliRunner.h"
#include "tests/cli/ExampleFlash.h"

namespace corvane::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kPatienceMs = 60000;
const std::string kCli = CORVANE_CLI_PATH;
const std::string kUsbfs = CORVANE_USBFS_PATH;
const std::string kDemoList = std::string(CORVANE_EXAMPLES_DIR) + "/demo.dld";

class UsbCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        prefix_ = ::testing::TempDir() + "corvane_usb_" + std::to_string(getpid()) + "_";
    }
    void TearDown() override {
        for (const std::string& file : files_) {
            std::remove(file.c_str());
        }
    }
    std::string Temp(const std::string& name) {
        files_.push_back(prefix_ + name);
        std::remove(files_.back().c_str());
        return files_.back();
    }
    // corvane-usbfs with these projectors and options, then the command.
    CliRun Serve(std::vector<std::string> usbfs, const std::vector<std::string>& command) {
        usbfs.insert(usbfs.begin(), kUsbfs);
        usbfs.push_back("--");
        usbfs.insert(usbfs.end(), command.begin(), command.end());
        return RunProgram(usbfs, kPatienceMs);
    }

    std::string prefix_;
    std::vector<std::string> files_;
};

TEST_F(UsbCommandTest, ListNamesEveryProjectorByItsPathIdsAndSerialNumber) {
    const CliRun run =
        Serve({"--projector", "port=1-4.2,serial=A10000000002", "--projector",
               "port=1-1,serial=A10000000001", "--projector", "port=1-3,id=04b4:1004"},
              {kCli, "list", "--timeout", "5"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out,
              "1-1        1209:0001  A10000000001\n"
              "1-4.2      1209:0001  A10000000002\n");

    const CliRun json = Serve({"--projector", "port=1-3,id=04b4:1004"},
                              {kCli, "list", "--json", "--usb-id", "04B4:1004", "--timeout", "5"});
    EXPECT_EQ(json.exitStatus, 0) << json.err;
    EXPECT_THAT(json.out, HasSubstr("{\"event\":\"projector\",\"path\":\"1-3\",\"ids\":"
                                    "\"04b4:1004\",\"serialNumber\":\"A10000012345\","
                                    "\"problem\":null}\n"));
}

TEST_F(UsbCommandTest, TheUsbIdsSettingOpensDevicesWithOtherIdsForEveryRun) {
    const std::string settings = Temp("ids.reg");
    std::FILE* file = std::fopen(settings.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs(
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Moravex\\Corvane\\Settings]\n"
        "\"UsbIds\"=\"1111:2222, 04b4:1004\"\n",
        file);
    std::fclose(file);
    const CliRun run = Serve({"--projector", "port=1-3,id=04b4:1004"},
                             {kCli, "info", "-q", "--timeout", "5", "--settings", settings});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("part number: 1002-3456-01"));
}

TEST_F(UsbCommandTest, ADeviceOffTheListIsNoProjector) {
    const CliRun run = Serve({"--projector", "port=1-3,id=04b4:1004"},
                             {kCli, "info", "--timeout", "1", "--settings", Temp("s.reg")});
    EXPECT_EQ(run.exitStatus, 3) << run.err;
    EXPECT_THAT(run.err, HasSubstr("No projector was ready within 1 s"));
    EXPECT_THAT(run.err, Not(HasSubstr("corvane-cli: ")));  // nothing was opened
}

TEST_F(UsbCommandTest, TwoProcessesFlashTwoProjectorsAtOnceEachChosenByDevice) {
    const std::string first = Temp("first.bin");
    const std::string second = Temp("second.bin");
    const std::string old = Temp("old.bin");
    const CliRun before = Serve({"--projector", "port=1-1", "--dump-flash", "1-1=" + old},
                                {kCli, "info", "-q", "--settings", Temp("s0.reg")});
    ASSERT_EQ(before.exitStatus, 0) << before.err;
    // Each process claims its own board; the one chosen by serial number
    // must not take the other's, which is claimed already or about to be.
    const std::string script =
        "\"$0\" download --verify -q --device 1-1 --settings \"$1\" \"$3\" & first=$!; "
        "\"$0\" download --verify -q --device A10000000002 --settings \"$2\" \"$3\"; "
        "second=$?; wait $first; exit $(( $? * 16 + second ))";
    const CliRun run =
        Serve({"--projector", "port=1-1,serial=A10000000001", "--projector",
               "port=1-2,serial=A10000000002", "--dump-flash", "1-1=" + first, "--dump-flash",
               "1-2=" + second},
              {"/bin/sh", "-c", script, kCli, Temp("s1.reg"), Temp("s2.reg"), kDemoList});
    EXPECT_EQ(run.exitStatus, 0) << run.out << run.err;
    EXPECT_EQ(WrongDemoListBytes(ReadWholeFile(first), ReadWholeFile(old)), 0u);
    EXPECT_EQ(WrongDemoListBytes(ReadWholeFile(second), ReadWholeFile(old)), 0u);
}

TEST_F(UsbCommandTest, UnpluggedDuringADownloadTheLossIsToldAndTheProcessEnds) {
    const CliRun run = Serve({"--projector", "port=1-1,faults=unplug-after-blocks=40"},
                             {kCli, "download", kDemoList, "--settings", Temp("s.reg")});
    EXPECT_EQ(run.exitStatus, 1) << run.err;
    EXPECT_THAT(run.err, HasSubstr("Corvane: Lost connection during download!"));
    EXPECT_THAT(run.out, Not(HasSubstr("download: ok")));
}

TEST_F(UsbCommandTest, AProjectorAnotherProgramHoldsIsNamedNotWaitedForInSilence) {
    const CliRun run = Serve({"--projector", "port=1-2,claim-busy"},
                             {kCli, "info", "--timeout", "1", "--settings", Temp("s.reg")});
    EXPECT_EQ(run.exitStatus, 3);
    EXPECT_THAT(run.err, HasSubstr("corvane-cli: Another program is using the projector at 1-2 "
                                   "(1209:0001, /dev/bus/usb/001/"));
}

TEST_F(UsbCommandTest, WithoutPermissionTheUdevRuleAndItsCommandAreNamed) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to run the command as another user";
    }
    const CliRun run =
        Serve({"--projector", "port=1-1,mode=0600"},
              {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", kCli, "info",
               "--timeout", "1", "--settings", Temp("s.reg")});
    EXPECT_EQ(run.exitStatus, 3) << run.err;
    EXPECT_THAT(run.err, HasSubstr("No permission to open the projector at 1-1 (1209:0001"));
    EXPECT_THAT(run.err, HasSubstr("60-corvane.rules"));
    EXPECT_THAT(run.err, HasSubstr("sudo make install-udev-rule"));
}

}  // namespace
}  // namespace corvane::test
