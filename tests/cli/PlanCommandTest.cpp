// corvane-cli plan: the offline pre-flight of a download, checked against
// files with known layouts and faults.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/cli/CliRunner.h"
#include "tests/files/FirmwareFileWriter.h"

namespace corvane::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

const std::string kLayout = "4,100000,0,10000,80000,F0000";
const std::string kExamples = CORVANE_EXAMPLES_DIR;

class PlanCommandTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const std::string& path : written_) {
            std::remove(path.c_str());
        }
    }
    std::string File(const std::string& name, const std::string& text) {
        written_.push_back(WriteTempFile(name, text));
        return written_.back();
    }
    std::vector<std::string> written_;
};

TEST_F(PlanCommandTest, ShowsWhatTheExampleDownloadDoes) {
    const CliRun run =
        RunCli({"plan", kExamples + "/pjx2000-main.hex", kExamples + "/pjx2000-config.mot",
                "--platform", "PJX2000-A1", "--partitions", kLayout});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("  result: 2 (ok)\n  erase: partitions 0 1\n"
                                   "  send: 343 blocks, 83984 bytes (81920 data bytes)\n"
                                   "  addresses: 000000-01FFFF\n"));
    EXPECT_THAT(run.out, HasSubstr("  erase: partition 3\n"));
    EXPECT_THAT(run.out, HasSubstr("  addresses: 0F0000-0F07FF\n"));
    EXPECT_THAT(run.out, HasSubstr("  verify: 0F0000-0FFFFF CRC-16 "));
    EXPECT_THAT(run.out, Not(HasSubstr("warning")));
}

TEST_F(PlanCommandTest, TheExpectedChecksumIsTheFilesBytesOverErasedFlash) {
    // 16 bytes of 0x00 at the start of partition 3, the rest erased: the
    // checksum the crc16 command gives for that image.
    const std::string file =
        File("zeros.hex", IntelHexFile(0xF0000, Bytes(16, 0x00), {16, "\n", "PJX2000-A1"}));
    std::string image(0x10000, '\xFF');
    std::fill(image.begin(), image.begin() + 16, '\0');
    const std::string imagePath = File("image.bin", image);
    const CliRun crc = RunCli({"crc16", imagePath});
    ASSERT_EQ(crc.exitStatus, 0);
    const CliRun run = RunCli({"plan", file, "--platform", "PJX2000-A1", "--partitions", kLayout});
    EXPECT_THAT(run.out, HasSubstr("verify: 0F0000-0FFFFF CRC-16 " + crc.out));
}

TEST_F(PlanCommandTest, WarnsAboutIgnoredChecksumsOutsideDataAndOverlaps) {
    std::string text = Lines(
        {IntelRecord(0x0F, 0, TextBytes("PJX2000-A1")), IntelRecord(0, 0x0010, Pattern(16)),
         IntelRecord(0, 0x2000, Pattern(16)), IntelRecord(0, 0x2008, Pattern(16)), ":00000001FF"});
    text.replace(text.find('\n') - 2, 2, "00");  // the identification record's checksum
    const std::string first = File("first.hex", text);
    const std::string second =
        File("second.hex", IntelHexFile(0x2000, Pattern(4), {16, "\n", "PJX2000-A1"}));
    const CliRun run = RunCli(
        {"plan", first, second, "--platform", "PJX2000-A1", "--partitions", "2,100000,1000,80000"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("warning: line 1: record checksum 00, expected "));
    EXPECT_THAT(run.out, HasSubstr(": not a data record, the download ignores it\n"));
    EXPECT_THAT(run.out,
                HasSubstr("warning: 16 data bytes from 000010 lie outside every partition"));
    EXPECT_THAT(run.out,
                HasSubstr("warning: 8 data bytes from 002008 are given twice in this file"));
    EXPECT_THAT(run.out, HasSubstr("warning: 4 data bytes from 002000 overlap file 1"));
}

TEST_F(PlanCommandTest, ABadDataRecordChecksumIsReportedAsRefusingTheFile) {
    std::string text = IntelHexFile(0x2000, Pattern(64), {16, "\n", "PJX2000-A1"});
    text.replace(text.find(":10201000") + 41, 2, "00");  // the second data record's checksum
    const CliRun run = RunCli(
        {"plan", File("bad.hex", text), "--platform", "PJX2000-A1", "--partitions", kLayout});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_THAT(run.out, HasSubstr("  result: -1 (Invalid or corrupt hex file!)\n"));
    EXPECT_THAT(run.out, HasSubstr("warning: line 3: data record checksum 00, expected "));
    EXPECT_THAT(run.out, HasSubstr(": the download refuses the file\n"));
}

TEST_F(PlanCommandTest, AFileForAnotherPlatformCannotBeDownloaded) {
    const CliRun run = RunCli({"plan", kExamples + "/pjx2000-main.hex", "--platform", "OTHER",
                               "--partitions", kLayout, "--json"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_THAT(run.out,
                HasSubstr("\"result\":-2,\"resultText\":\"File and Projector Do Not Match\""));
    const CliRun unmatched = RunCli({"plan", kExamples + "/pjx2000-main.hex", "--no-hw-match",
                                     "--partitions", kLayout, "--json"});
    EXPECT_EQ(unmatched.exitStatus, 0);
    EXPECT_THAT(unmatched.out, HasSubstr("\"erase\":[0,1],\"blocks\":343,"));
}

TEST_F(PlanCommandTest, BadUsage) {
    EXPECT_EQ(RunCli({"plan", "--platform", "X", "--partitions", kLayout}).exitStatus, 2);
    EXPECT_EQ(
        RunCli({"plan", "/no/such.hex", "--platform", "X", "--partitions", kLayout}).exitStatus, 2);
    EXPECT_EQ(RunCli({"plan", kExamples + "/demo.dld", "--platform", "X"}).exitStatus, 2);
    EXPECT_EQ(RunCli({"plan", kExamples + "/demo.dld", "--platform", "X", "--partitions", "1,2"})
                  .exitStatus,
              2);
}

}  // namespace
}  // namespace corvane::test
