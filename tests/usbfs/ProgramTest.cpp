// corvane-usbfs around a command: the projectors are there for the command
// and its children, its exit status is passed on, the control FIFO pulls and
// plugs the cable, and the flash is dumped at the end.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ChildProcess.h"
#include "UsbfsFixture.h"

namespace corvane::usbfs::testing {
namespace {

const std::string kProgram = CORVANE_USBFS_PROGRAM;
const std::string kLister = CORVANE_USBFS_LISTER;

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/corvane-usbfs-test.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder_ = name;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    ChildResult Run(std::vector<std::string> options, const std::string& script) {
        std::vector<std::string> argv = {kProgram};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.insert(argv.end(), {"--", "/bin/sh", "-c", script});
        return RunChild(argv);
    }

    std::string folder_;
};

TEST_F(ProgramTest, CommandAndItsChildrenSeeTheProjector) {
    const ChildResult result =
        Run({"--projector", "port=1-4,serial=A10000077777"},
            "ls $UMOCKDEV_DIR/dev/bus/usb/001/ && sh -c '" + kLister + "' | grep 1209");
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_NE(result.output.find("002\n"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("1209:0001 bus 1 address 2 ports 4 serial A10000077777\n"),
              std::string::npos)
        << result.output;
}

TEST_F(ProgramTest, ExitStatusIsTheCommands) {
    EXPECT_EQ(Run({}, "exit 7").status, 7);
    EXPECT_EQ(Run({}, "kill -TERM $$").status, 128 + SIGTERM);
    EXPECT_EQ(RunChild({kProgram, "--", "/nonexistent/command"}).status, 127);
}

TEST_F(ProgramTest, BadCommandLinesAreUsageErrors) {
    for (const std::vector<std::string>& argv : std::vector<std::vector<std::string>>{
             {kProgram},
             {kProgram, "--projector", "bogus=1", "--", "true"},
             {kProgram, "--projector", "port=1-0", "--", "true"},
             {kProgram, "--projector", "id=12345:1", "--", "true"},
             {kProgram, "--dump-flash", "1-2=f", "--", "true"},
             {kProgram, "--frobnicate", "--", "true"}}) {
        const ChildResult result = RunChild(argv);
        EXPECT_EQ(result.status, 2) << argv.back() << ": " << result.output;
        EXPECT_NE(result.output.find("corvane-usbfs: "), std::string::npos);
    }
    const ChildResult clash =
        RunChild({kProgram, "--projector", "port=1-4", "--projector", "port=1-4.1", "--", "true"});
    EXPECT_EQ(clash.status, 1) << clash.output;
    EXPECT_NE(clash.output.find("clashes"), std::string::npos) << clash.output;
}

TEST_F(ProgramTest, HelpNamesTheOptions) {
    const ChildResult result = RunChild({kProgram, "--help"});
    EXPECT_EQ(result.status, 0);
    for (const char* option : {"--projector", "--control", "--dump-flash", "claim-busy"}) {
        EXPECT_NE(result.output.find(option), std::string::npos) << option;
    }
}

TEST_F(ProgramTest, StartsItselfUnderThePreloadLibrary) {
    const ChildResult result =
        RunChild({"/usr/bin/env", "-u", "LD_PRELOAD", "-u", "UMOCKDEV_DIR", kProgram, "--",
                  "/bin/sh", "-c", "echo $LD_PRELOAD; " + kLister + " | grep -c ^1209"});
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_NE(result.output.find("libumockdev-preload"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("\n1\n"), std::string::npos) << result.output;
}

TEST_F(ProgramTest, ControlFifoPullsAndPlugsTheCable) {
    const std::string fifo = folder_ + "/control";
    // Waits until the lister shows the projector (or no longer does).
    const std::string until =
        "for i in $(seq 100); do " + kLister + " | grep -q ^1209 && break; sleep 0.05; done; ";
    const std::string untilGone =
        "for i in $(seq 100); do " + kLister + " | grep -q ^1209 || break; sleep 0.05; done; ";
    const ChildResult result =
        Run({"--control", fifo, "--projector", "port=1-2"},
            "echo 'unplug 1-2' > " + fifo + "; " + untilGone + kLister + " | grep -c ^1209; " +
                "echo 'plug 1-2' > " + fifo + "; " + until + kLister + " | grep ^1209");
    EXPECT_EQ(result.status, 0) << result.output;
    // Gone, then back with a new address.
    EXPECT_NE(result.output.find("0\n1209:0001 bus 1 address 3 ports 2"), std::string::npos)
        << result.output;
    struct stat info {};
    EXPECT_NE(stat(fifo.c_str(), &info), 0) << "the FIFO it made is removed";
}

TEST_F(ProgramTest, ControlLinesItDoesNotKnowAreReported) {
    const std::string fifo = folder_ + "/control";
    const ChildResult result =
        Run({"--control", fifo}, "echo 'unplug 1-9' > " + fifo + "; echo 'dance' > " + fifo +
                                     "; sleep 0.3; " + kLister + " | grep -c ^1209");
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_NE(result.output.find("no projector on port 1-9"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("not a control command"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("1\n"), std::string::npos) << result.output;
}

}  // namespace
}  // namespace corvane::usbfs::testing
