// The check that a file is made for the connected projector's platform.
#include <cstring>

#include "tests/files/ConverterFixture.h"

namespace corvane::test {
namespace {

class ConvertPlatformTest : public ConverterFixture {
protected:
    ConvertPlatformTest() { window_.MatchFilesToHardware = 1; }
};

const std::string kData = IntelRecord(0, 0, Pattern(16));
const std::string kEnd = ":00000001FF";

std::string Identification(const std::string& platform) {
    return IntelRecord(0x0F, 0, TextBytes(platform));
}

TEST_F(ConvertPlatformTest, AMatchingIdentificationRecordPasses) {
    EXPECT_EQ(Convert(Lines({Identification("PJX2000-A1"), kData, kEnd})), 1);
    // Anywhere in the file.
    EXPECT_EQ(Convert(Lines({kData, kEnd, Identification("PJX2000-A1")})), 1);
}

TEST_F(ConvertPlatformTest, ADifferentPlatformFailsAtOnce) {
    // The bad line after the record is never read.
    EXPECT_EQ(Convert(Lines({Identification("PJX2000-B1"), "garbage"})), kConvertPlatformMismatch);
    EXPECT_EQ(Convert(Lines({Identification("pjx2000-a1"), kData, kEnd})),
              kConvertPlatformMismatch);
}

TEST_F(ConvertPlatformTest, AFileWithoutIdentificationFailsAfterBeingRead) {
    EXPECT_EQ(Convert(Lines({kData, kEnd})), kConvertPlatformMismatch);
    EXPECT_EQ(Convert(""), kConvertPlatformMismatch);
    // A format error later in the file still wins.
    EXPECT_EQ(Convert(Lines({kData, "junk"})), kConvertFormatError);
}

TEST_F(ConvertPlatformTest, WithTheCheckOffIdentificationIsSkipped) {
    window_.MatchFilesToHardware = 0;
    EXPECT_EQ(Convert(Lines({Identification("OTHER"), kData, kEnd})), 1);
    EXPECT_EQ(Convert(Lines({kData, kEnd})), 1);
}

TEST_F(ConvertPlatformTest, WithTheCheckOffATruncatedHeaderIsSkippedInEitherFormat) {
    window_.MatchFilesToHardware = 0;
    // Not even read: a truncated one passes.
    for (const char* header : {":0A00000F41", ":0A00000F", "S00A0000", "S00", "S0"}) {
        EXPECT_EQ(Convert(Lines({header, kData, kEnd})), 1) << header;
    }
    window_.MatchFilesToHardware = 1;
    EXPECT_EQ(Convert(Lines({"S0", kData, kEnd})), kConvertFormatError);
}

TEST_F(ConvertPlatformTest, AnEmptyIdentificationComparesUnknown) {
    EXPECT_EQ(Convert(Lines({":0000000FF1", kData, kEnd})), kConvertPlatformMismatch);
    std::strcpy(window_.platformId, "UNKNOWN");
    EXPECT_EQ(Convert(Lines({":0000000FF1", kData, kEnd})), 1);
}

TEST_F(ConvertPlatformTest, OnlyTheFirstTenCharactersCount) {
    EXPECT_EQ(Convert(Lines({Identification("PJX2000-A1-EXTRA"), kData, kEnd})), 1);
}

TEST_F(ConvertPlatformTest, AShorterIdentifierIsPaddedWithNul) {
    std::strcpy(window_.platformId, "PJX");
    EXPECT_EQ(Convert(Lines({Identification("PJX"), kData, kEnd})), 1);
    // Not a prefix match, and no remnant of "UNKNOWN" survives.
    EXPECT_EQ(Convert(Lines({Identification("PJ"), kData, kEnd})), kConvertPlatformMismatch);
    std::strcpy(window_.platformId, "UNK");
    EXPECT_EQ(Convert(Lines({Identification("UNK"), kData, kEnd})), 1);
    // A ten-byte field padded with NUL by its maker reads the same.
    std::strcpy(window_.platformId, "PJX");
    EXPECT_EQ(
        Convert(Lines({IntelRecord(0x0F, 0, {'P', 'J', 'X', 0, 0, 0, 0, 0, 0, 0}), kData, kEnd})),
        1);
}

TEST_F(ConvertPlatformTest, ATruncatedIdentificationRecordIsAnError) {
    const std::string record = Identification("PJX2000-A1");
    EXPECT_EQ(Convert(Lines({record.substr(0, record.size() - 4), kData, kEnd})),
              kConvertFormatError);
}

TEST_F(ConvertPlatformTest, TheSRecordHeaderIdentifiesAFile) {
    EXPECT_EQ(Convert(Lines({SRecord('0', 0, 2, TextBytes("PJX2000-A1")), kData, kEnd})), 1);
    EXPECT_EQ(Convert(Lines({SRecord('0', 0, 2, TextBytes("HDR")), kData, kEnd})),
              kConvertPlatformMismatch);
    // A header without data bytes compares "UNKNOWN".
    EXPECT_EQ(Convert(Lines({"S0030000FC", kData, kEnd})), kConvertPlatformMismatch);
    std::strcpy(window_.platformId, "UNKNOWN");
    EXPECT_EQ(Convert(Lines({"S0030000FC", kData, kEnd})), 1);
    const std::string header = SRecord('0', 0, 2, TextBytes("UNKNOWN"));
    EXPECT_EQ(Convert(Lines({header.substr(0, header.size() - 1), kData, kEnd})),
              kConvertFormatError);
}

TEST_F(ConvertPlatformTest, AnUnterminatedIdentifierFieldIsReadWithinItsBounds) {
    std::memcpy(window_.platformId, "PJX2000-A1Z", sizeof window_.platformId);
    EXPECT_EQ(Convert(Lines({Identification("PJX2000-A1"), kData, kEnd})), 1);
}

TEST_F(ConvertPlatformTest, WithoutAMainWindowTheCheckRunsAgainstUnknown) {
    ctx_.mainWindow = nullptr;
    EXPECT_EQ(Convert(Lines({kData, kEnd})), kConvertPlatformMismatch);
    EXPECT_EQ(Convert(Lines({":0000000FF1", kData, kEnd})), 1);
}

}  // namespace
}  // namespace corvane::test
