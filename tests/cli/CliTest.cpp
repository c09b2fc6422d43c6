// corvane-cli as a user runs it: output, staged images and exit status.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "tests/cli/CliRunner.h"
#include "tests/files/FirmwareFileWriter.h"

namespace corvane::test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

const std::string kLayout = "4,100000,0,10000,80000,F0000";

std::string AsText(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(CliUsageTest, NoArgumentsIsBadUsage) {
    const CliRun run = RunCli({});
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_THAT(run.err, HasSubstr("usage: corvane-cli"));
    EXPECT_EQ(run.out, "");
}

TEST(CliUsageTest, HelpGoesToStandardOutput) {
    const CliRun run = RunCli({"--help"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_THAT(run.out, HasSubstr("convert FILE --platform ID --partitions DESCRIPTOR"));
    EXPECT_THAT(run.out, HasSubstr("crc16 FILE [--offset N] [--length N]"));
    const CliRun command = RunCli({"convert", "--help"});
    EXPECT_EQ(command.exitStatus, 0);
    EXPECT_THAT(command.out, StartsWith("usage: corvane-cli convert"));
}

TEST(CliUsageTest, UnknownCommandIsBadUsage) {
    const CliRun run = RunCli({"flash", "x.hex"});
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_THAT(run.err, HasSubstr("unknown command 'flash'"));
}

class CliConvertTest : public ::testing::Test {
protected:
    std::string Staged() const {
        return ::testing::TempDir() + "corvane_cli_staged_" + std::to_string(getpid()) + ".bin";
    }
    void SetUp() override { std::remove(Staged().c_str()); }
    void TearDown() override { std::remove(Staged().c_str()); }
};

TEST_F(CliConvertTest, WritesTheStagedImageByteForByte) {
    const Bytes data = Pattern(16);
    const std::string file =
        WriteTempFile("example.hex", Lines({IntelRecord(0x0F, 0, TextBytes("PJX2000-A1")),
                                            IntelRecord(0, 0x0100, data), ":00000001FF"}));
    const CliRun run = RunCli(
        {"convert", file, "--platform", "PJX2000-A1", "--partitions", kLayout, "-o", Staged()});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("result: 1 (partitions marked)\n"));
    EXPECT_THAT(run.out, HasSubstr("marked partitions: 0\n"));
    Bytes expected = {0x00, 0x00, 0x01, 0x00, 0x00, 0x10};
    expected.insert(expected.end(), data.begin(), data.end());
    expected.insert(expected.end(), {0x01, 0, 0, 0, 0, 0});
    EXPECT_EQ(ReadWholeFile(Staged()), AsText(expected));
}

TEST_F(CliConvertTest, ListsEveryMarkedPartition) {
    FileLayout layout;
    layout.lineEnd = "\r\n";
    const std::string file =
        WriteTempFile("wide.hex", IntelHexFile(0xF000, Pattern(0x1100), layout) +
                                      IntelHexFile(0xF0000, Pattern(16), layout));
    const CliRun run =
        RunCli({"convert", file, "--no-hw-match", "--partitions", kLayout, "-o", Staged()});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("result: 3 (partitions marked)\n"));
    EXPECT_THAT(run.out, HasSubstr("marked partitions: 0 1 3\n"));
}

TEST_F(CliConvertTest, SRecordDataIsStaged) {
    FileLayout layout;
    layout.recordSize = 32;
    layout.identification = "PJX2000-A1";
    const std::string file = WriteTempFile("data.s19", SRecordFile(0x10000, Pattern(64), layout));
    const CliRun run = RunCli(
        {"convert", file, "--platform", "PJX2000-A1", "--partitions", kLayout, "-o", Staged()});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("marked partitions: 1\n"));
    EXPECT_THAT(run.out, HasSubstr("1 data block with 64 data bytes"));
    const std::string staged = ReadWholeFile(Staged());
    ASSERT_EQ(staged.size(), 6u + 64 + 6);
    EXPECT_EQ(staged.substr(0, 6), AsText({0x00, 0x00, 0x00, 0x01, 0x00, 0x40}));
    EXPECT_EQ(staged.substr(6, 64), AsText(Pattern(64)));
}

TEST_F(CliConvertTest, NothingMarkedIsStillSuccess) {
    const std::string file = WriteTempFile("low.hex", Lines({IntelRecord(0, 0, Pattern(4))}));
    const CliRun run = RunCli({"convert", file, "--no-hw-match", "--partitions", "1,10000,1000"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("result: 0 (no partition marked: nothing to program)\n"));
    EXPECT_THAT(run.out, HasSubstr("marked partitions: none\n"));
}

TEST_F(CliConvertTest, NegativeResultsExitWithOneAndWriteNoImage) {
    const std::string bad = WriteTempFile("bad.hex", Lines({":020000040000FA"}));
    CliRun run = RunCli({"convert", bad, "--no-hw-match", "--partitions", kLayout, "-o", Staged()});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_THAT(run.out, StartsWith("result: -1 (Invalid or corrupt hex file!"));
    EXPECT_FALSE(FileExists(Staged()));

    const std::string other = WriteTempFile(
        "other.hex", Lines({IntelRecord(0x0F, 0, TextBytes("OTHER")), ":00000001FF"}));
    run = RunCli({"convert", other, "--platform", "PJX2000-A1", "--partitions", kLayout});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_THAT(run.out, StartsWith("result: -2 (File and Projector Do Not Match)"));

    // Beyond the flash: -1.
    const std::string high = WriteTempFile("high.hex", Lines({IntelRecord(0, 0, Pattern(4))}));
    run = RunCli({"convert", high, "--no-hw-match", "--partitions", "0,0,"});
    EXPECT_EQ(run.exitStatus, 1);
}

TEST_F(CliConvertTest, AMissingFileFails) {
    const CliRun run = RunCli({"convert", ::testing::TempDir() + "no-such-file.hex",
                               "--no-hw-match", "--partitions", kLayout});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_THAT(run.err, HasSubstr("Error Opening File"));
}

TEST_F(CliConvertTest, AnUnwritableStagedPathFails) {
    const std::string file = WriteTempFile("ok.hex", Lines({IntelRecord(0, 0, Pattern(4))}));
    const CliRun run = RunCli({"convert", file, "--no-hw-match", "--partitions", kLayout, "-o",
                               ::testing::TempDir() + "no-such-dir/staged.bin"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_THAT(run.err, HasSubstr("cannot write"));
}

TEST_F(CliConvertTest, BadUsageExitsWithTwo) {
    const std::string file = WriteTempFile("ok.hex", Lines({IntelRecord(0, 0, Pattern(4))}));
    std::string many = "65,1000000";
    for (int i = 0; i < 65; ++i) {
        many += "," + std::to_string(i) + "000";
    }
    const std::vector<std::vector<std::string>> cases = {
        {"convert"},
        {"convert", file},
        {"convert", file, "--platform", "PJX2000-A1"},
        {"convert", "--platform", "PJX2000-A1", "--partitions", kLayout},
        {"convert", file, file, "--platform", "PJX2000-A1", "--partitions", kLayout},
        {"convert", file, "--partitions", kLayout},
        {"convert", file, "--platform", "PJX2000-A1X", "--partitions", kLayout},
        {"convert", file, "--platform", "PJX2000-A1", "--partitions", "0,80000"},
        {"convert", file, "--platform", "PJX2000-A1", "--partitions", "3,200000,0,10000"},
        {"convert", file, "--platform", "PJX2000-A1", "--partitions", many},
        {"convert", file, "--platform", "PJX2000-A1", "--partitions", kLayout, "--verbose"},
        {"convert", file, "--platform", "PJX2000-A1", "--partitions", kLayout, "-o"},
        {"convert", file, "--platform", "A", "--platform", "B", "--partitions", kLayout},
    };
    for (const auto& arguments : cases) {
        const CliRun run = RunCli(arguments);
        std::string line;
        for (const std::string& argument : arguments) {
            line += argument + " ";
        }
        EXPECT_EQ(run.exitStatus, 2) << line;
        EXPECT_THAT(run.err, HasSubstr("usage: corvane-cli convert")) << line;
        EXPECT_EQ(run.out, "") << line;
    }
}

TEST(CliCrc16Test, PrintsTheChecksumInUpperCaseHex) {
    const std::string file = WriteTempFile("digits.bin", "123456789");
    CliRun run = RunCli({"crc16", file});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, "BB3D\n");
    run = RunCli({"crc16", file, "--offset", "0", "--length", "9"});
    EXPECT_EQ(run.out, "BB3D\n");
}

TEST(CliCrc16Test, SumsTheRangeGiven) {
    const std::string file = WriteTempFile("framed.bin", "xx123456789yy");
    CliRun run = RunCli({"crc16", file, "--offset", "2", "--length", "0x9"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, "BB3D\n");
    run = RunCli({"crc16", file, "--length", "0"});
    EXPECT_EQ(run.out, "0000\n");
    // The offset alone sums to the end; at the end that is nothing.
    run = RunCli({"crc16", file, "--offset", "13"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, "0000\n");
    run = RunCli({"crc16", file, "--offset", "12", "--length", "1"});
    EXPECT_EQ(run.out, "E2C1\n");  // "y"
}

TEST(CliCrc16Test, ARangeOutsideTheFileIsBadUsage) {
    const std::string file = WriteTempFile("short.bin", "123456789");
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"crc16", file, "--offset", "10"},
             {"crc16", file, "--length", "10"},
             {"crc16", file, "--offset", "5", "--length", "5"},
             {"crc16", file, "--offset", "18446744073709551615", "--length", "1"},
             {"crc16", file, "--offset", "1", "--length", "18446744073709551615"},
             {"crc16", file, "--offset", "-1"},
             {"crc16", file, "--length", "9x"},
             {"crc16", file, "--length", "0x"},
             {"crc16"},
         }) {
        const CliRun run = RunCli(arguments);
        EXPECT_EQ(run.exitStatus, 2) << arguments.back();
        EXPECT_THAT(run.err, HasSubstr("usage: corvane-cli crc16")) << arguments.back();
        EXPECT_EQ(run.out, "");
    }
}

TEST(CliCrc16Test, AnUnreadableFileFails) {
    const CliRun run = RunCli({"crc16", ::testing::TempDir() + "no-such-file.bin"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_THAT(run.err, HasSubstr("cannot open"));
}

}  // namespace
}  // namespace corvane::test
