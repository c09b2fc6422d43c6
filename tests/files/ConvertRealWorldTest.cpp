// Files laid out the way tools write them, read from disk as the download
// job reads them.
#include <algorithm>
#include <cstdio>
#include <string>

#include "tests/files/ConverterFixture.h"

namespace corvane::test {
namespace {

class ConvertRealWorldTest : public ConverterFixture {
protected:
    // Writes the text to a file and converts it opened with mode "rb", as the
    // download job opens firmware files.
    int ConvertFromDisk(const std::string& text) {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        const std::string path = ::testing::TempDir() + "corvane_convert_" + name;
        FILE* file = std::fopen(path.c_str(), "wb");
        EXPECT_NE(file, nullptr);
        if (file == nullptr) {
            return 1000;
        }
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
        if (source_ != nullptr) {
            std::fclose(source_);
        }
        source_ = std::fopen(path.c_str(), "rb");
        std::remove(path.c_str());
        EXPECT_NE(source_, nullptr);
        return source_ == nullptr ? 1000
                                  : ConvertFirmwareImage(ctx_, 0, source_, ctx_.partitionFlags);
    }

    // The flash holds exactly the data, and nothing is staged elsewhere.
    void ExpectStaged(uint32_t address, const Bytes& data) {
        const Bytes flash = StagedFlash(ctx_.partitions.flashSize);
        Bytes expected(ctx_.partitions.flashSize, 0xFF);
        std::copy(data.begin(), data.end(), expected.begin() + address);
        EXPECT_TRUE(flash == expected);
        for (const StagedBlock& block : StagedBlocks()) {
            EXPECT_LE(block.data.size(), 250u);
        }
        EXPECT_EQ(StagedBlocks().back().type, 1);
    }
};

struct Case {
    const char* name;
    bool sRecords;
    size_t recordSize;
    const char* lineEnd;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class ConvertRealWorldFilesTest : public ConvertRealWorldTest,
                                  public ::testing::WithParamInterface<Case> {};

TEST_P(ConvertRealWorldFilesTest, FirmwareSpanningTwoPartitionsIsStagedWhole) {
    const Case& c = GetParam();
    FileLayout layout;
    layout.recordSize = c.recordSize;
    layout.lineEnd = c.lineEnd;
    layout.identification = "PJX2000-A1";
    window_.MatchFilesToHardware = 1;
    // 70000 bytes from 0xC000: across the 64 KiB segment edge and into partition 1.
    const Bytes data = Pattern(70000, 0x5A);
    const std::string text =
        c.sRecords ? SRecordFile(0xC000, data, layout) : IntelHexFile(0xC000, data, layout);
    ASSERT_EQ(ConvertFromDisk(text), 2);
    EXPECT_EQ(Marked(), (std::vector<int>{0, 1}));
    ExpectStaged(0xC000, data);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ConvertRealWorldFilesTest,
    ::testing::Values(Case{"IntelHex16Lf", false, 16, "\n"}, Case{"IntelHex32Lf", false, 32, "\n"},
                      Case{"IntelHex16CrLf", false, 16, "\r\n"},
                      Case{"IntelHex32CrLf", false, 32, "\r\n"},
                      Case{"IntelHex249CrLf", false, 249, "\r\n"},
                      Case{"SRecord16Lf", true, 16, "\n"}, Case{"SRecord32CrLf", true, 32, "\r\n"},
                      Case{"SRecord249Lf", true, 249, "\n"}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST_F(ConvertRealWorldTest, CrLfLineEndsReadLikeLineFeeds) {
    const Bytes data = Pattern(1000, 3);
    FileLayout layout;
    layout.recordSize = 32;
    ASSERT_EQ(ConvertFromDisk(IntelHexFile(0x20, data, layout)), 1);
    const Bytes lf = StagedBytes();
    layout.lineEnd = "\r\n";
    ASSERT_EQ(ConvertFromDisk(IntelHexFile(0x20, data, layout)), 1);
    EXPECT_EQ(StagedBytes(), lf);
}

TEST_F(ConvertRealWorldTest, ACrLfLineIsMeasuredWithoutItsCarriageReturn) {
    std::string record = IntelRecord(0, 0, Pattern(16));
    record += std::string(521 - record.size(), ' ');
    EXPECT_EQ(ConvertFromDisk(record + "\r\n:00000001FF\r\n"), 1);
    EXPECT_EQ(ConvertFromDisk(record + " \r\n:00000001FF\r\n"), kConvertFormatError);
    // A blank CR LF line is still blank.
    EXPECT_EQ(ConvertFromDisk(":00000001FF\r\n\r\n"), kConvertFormatError);
}

TEST_F(ConvertRealWorldTest, ALoneCarriageReturnIsPartOfTheLine) {
    // Trailing characters after a record are ignored, a stray CR too.
    EXPECT_EQ(ConvertFromDisk(IntelRecord(0, 0, Pattern(4)) + "\r\r\n:00000001FF\r"), 1);
    // A CR on its own is not a line end: the second record is never seen.
    EXPECT_EQ(ConvertFromDisk(IntelRecord(0, 0, Pattern(4)) + "\r" +
                              IntelRecord(0, 0x8000, Pattern(4)) + "\n"),
              1);
    EXPECT_EQ(StagedBlocks().size(), 2u);
}

TEST_F(ConvertRealWorldTest, ACtrlZThatStartsALineEndsTheFile) {
    const std::string ctrlZ(1, '\x1A');
    const std::string file = IntelHexFile(0, Pattern(16), {16, "\r\n", ""});
    // The end-of-file mark DOS-era tools append; nothing after it is read.
    EXPECT_EQ(ConvertFromDisk(file + ctrlZ), 1);
    EXPECT_EQ(ConvertFromDisk(file + ctrlZ + "\r\nnot a record\r\n" + ctrlZ), 1);
    EXPECT_EQ(ConvertFromDisk(ctrlZ + file), 0);
    // Within a line, or where a line cut after 522 characters goes on, it is
    // an ordinary character.
    EXPECT_EQ(ConvertFromDisk(file + "x" + ctrlZ + "\r\n"), kConvertFormatError);
    std::string record = IntelRecord(0, 0, Pattern(16));
    record += std::string(522 - record.size(), ' ');
    EXPECT_EQ(ConvertFromDisk(record + ctrlZ + "\r\n:00000001FF\r\n"), kConvertFormatError);
}

TEST_F(ConvertRealWorldTest, AnUnterminatedLastLineIsARecord) {
    ASSERT_EQ(ConvertFromDisk(IntelRecord(0, 0, Pattern(4)) + "\n" + IntelRecord(0, 4, Pattern(4))),
              1);
    EXPECT_EQ(StagedBlocks()[0].data.size(), 8u);
}

}  // namespace
}  // namespace corvane::test
