#include <gtest/gtest.h>

#include "ChannelFixture.h"
#include "app/engine/DownloadJob.h"
#include "app/engine/Requests.h"
#include "app/ui/WindowMessages.h"

namespace corvane::test {
namespace {

using Writes = std::vector<std::string>;

class HandshakeRequestsTest : public ChannelFixture {
protected:
    char identification[kIdentificationSize + 4] = {};  // guard bytes after the field
};

TEST_F(HandshakeRequestsTest, PlatformRequestAsksForTwelveBytesAndShowsTheIdentifier) {
    PlatformRequestBegin(context, 0);
    EXPECT_EQ(TakeWrites(), Writes{"P"});
    Reply("\x06PJX2000-A1\r");
    EXPECT_EQ(PlatformRequestContinue(context, 0), 2);
    EXPECT_STREQ(window.record.platformId, "PJX2000-A1");
    window.Drain();
    EXPECT_EQ(window.Messages(), std::vector<PostedMessage>{Text(1014, "PJX2000-A1")});
}

TEST_F(HandshakeRequestsTest, PlatformRequestCopiesTenCharactersAtMost) {
    Reply(
        "\x15"
        "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(PlatformRequestContinue(context, 0), 2);
    EXPECT_STREQ(window.record.platformId, "ABCDEFGHIJ");
    Reply("");
    PlatformRequestContinue(context, 0);
    EXPECT_STREQ(window.record.platformId, "");
}

TEST_F(HandshakeRequestsTest, ReadIdsRunsGPGSAndShowsBothNumbers) {
    ReadIdsRequestBegin(context, 0);
    EXPECT_EQ(TakeWrites(), Writes{"G"});
    Reply(kAckText);
    EXPECT_EQ(ReadIdsRequestContinue(context, 0), 0);
    EXPECT_EQ(TakeWrites(), Writes{"P"});
    Reply(
        "\x06"
        "1002-3456-01\r");
    EXPECT_EQ(ReadIdsRequestContinue(context, 0), 0);
    EXPECT_EQ(TakeWrites(), Writes{"G"});
    EXPECT_EQ(ReplyText(), "");  // the next reply starts afresh
    Reply(kAckText);
    EXPECT_EQ(ReadIdsRequestContinue(context, 0), 0);
    EXPECT_EQ(TakeWrites(), Writes{"S"});
    Reply(
        "\x06"
        "A10000012345\r");
    EXPECT_EQ(ReadIdsRequestContinue(context, 0), 1);
    EXPECT_TRUE(TakeWrites().empty());
    EXPECT_STREQ(window.record.currentPartNumber, "1002-3456-01");
    EXPECT_STREQ(window.record.currentSerialNumber, "A10000012345");
    window.Drain();
    EXPECT_EQ(window.Messages(),
              (std::vector<PostedMessage>{Text(1025, "1002-3456-01"), Text(1026, "A10000012345")}));
}

TEST_F(HandshakeRequestsTest, ReadIdsWaitsForTheRestOfALineAndCutsLongNumbers) {
    ReadIdsRequestBegin(context, 0);
    Reply(kAckText);
    ReadIdsRequestContinue(context, 0);
    TakeWrites();
    Reply(
        "\x06"
        "123456789012");
    EXPECT_EQ(ReadIdsRequestContinue(context, 0), 0);
    EXPECT_TRUE(TakeWrites().empty());
    EXPECT_EQ(ReplyText(),
              "\x06"
              "123456789012");  // kept for the rest
    Reply(
        "\x06"
        "123456789012345678\r");
    EXPECT_EQ(ReadIdsRequestContinue(context, 0), 0);
    EXPECT_STREQ(window.record.currentPartNumber, "12345678901234");
    Reply(kAckText);
    ReadIdsRequestContinue(context, 0);
    Reply(
        "\x06"
        "SERIAL-NUMBER-TOO-LONG\r");
    EXPECT_EQ(ReadIdsRequestContinue(context, 0), 1);
    EXPECT_STREQ(window.record.currentSerialNumber, "SERIAL-NUMBE");
}

TEST_F(HandshakeRequestsTest, ReadIdsFailsOnANegativeReplyAtEveryStep) {
    const std::string replies[] = {kAckText, "\x06PN\r", kAckText, "\x06SN\r"};
    for (int failAt = 0; failAt < 4; ++failAt) {
        ReadIdsRequestBegin(context, 0);
        int result = 0;
        for (int step = 0; step <= failAt; ++step) {
            Reply(step == failAt ? "\x15" : replies[step]);
            result = ReadIdsRequestContinue(context, 0);
        }
        EXPECT_EQ(result, 3) << failAt;
    }
    record().subStep = 99;
    Reply(kAckText);
    EXPECT_EQ(ReadIdsRequestContinue(context, 0), 3);
}

TEST_F(HandshakeRequestsTest, IdentifyRetriesTwiceThenGivesUp) {
    IdentifyRequestBegin(context, 0);
    EXPECT_EQ(TakeWrites(), Writes{"I"});
    Reply("\x15");
    EXPECT_EQ(IdentifyRequestContinue(context, 0, identification), 4);
    Reply("\x15");
    EXPECT_EQ(IdentifyRequestContinue(context, 0, identification), 4);
    EXPECT_EQ(TakeWrites(), (Writes{"I", "I"}));
    Reply("\x15");
    EXPECT_EQ(IdentifyRequestContinue(context, 0, identification), 2);
    EXPECT_TRUE(TakeWrites().empty());
}

TEST_F(HandshakeRequestsTest, IdentifySucceedsAtTheThirdAttempt) {
    IdentifyRequestBegin(context, 0);
    Reply("\x15");
    IdentifyRequestContinue(context, 0, identification);
    Reply("\x15");
    IdentifyRequestContinue(context, 0, identification);
    Reply("\x06VELT");
    EXPECT_EQ(IdentifyRequestContinue(context, 0, identification), 1);
    Reply("\x06VELTA1\r");
    EXPECT_EQ(IdentifyRequestContinue(context, 0, identification), 3);
    EXPECT_STREQ(identification, "VELTA1");
}

TEST_F(HandshakeRequestsTest, IdentifyKeepsALongStringInsideItsField) {
    std::memset(identification, '#', sizeof(identification));
    IdentifyRequestBegin(context, 0);
    Reply("\x06VELTA1-AND-A-LOT-MORE\r");
    EXPECT_EQ(IdentifyRequestContinue(context, 0, identification), 3);
    EXPECT_EQ(std::strlen(identification), static_cast<size_t>(kIdentificationSize - 1));
    EXPECT_STRNE(identification, "VELTA1");
    for (size_t i = kIdentificationSize; i < sizeof(identification); ++i) {
        EXPECT_EQ(identification[i], '#') << i;
    }
    Reply("\x06VELTA1\rX\r");  // cut at the first carriage return
    EXPECT_EQ(IdentifyRequestContinue(context, 0, identification), 3);
    EXPECT_STREQ(identification, "VELTA1");
}

TEST_F(HandshakeRequestsTest, PartitionsParseAfterTheWholeLineHasCome) {
    PartitionsRequestBegin(context, 0);
    EXPECT_EQ(TakeWrites(), Writes{"B"});
    Reply(
        "\x06"
        "3,200000,0,10");
    EXPECT_EQ(PartitionsRequestContinue(context, 0), 0);
    EXPECT_EQ(context.partitions.count, 0);
    Reply(
        "\x06"
        "3,200000,0,10000,100000\r");
    EXPECT_EQ(PartitionsRequestContinue(context, 0), 1);
    EXPECT_EQ(context.partitions.count, 3);
    EXPECT_EQ(context.partitions.flashSize, 0x200000u);
    EXPECT_EQ(context.partitions.start[1], 0x10000u);
    EXPECT_EQ(context.partitions.start[2], 0x100000u);
}

TEST_F(HandshakeRequestsTest, PartitionsRetryFourTimesThenGiveUp) {
    PartitionsRequestBegin(context, 0);
    for (int i = 0; i < 4; ++i) {
        Reply("\x15");
        EXPECT_EQ(PartitionsRequestContinue(context, 0), 2);
    }
    EXPECT_EQ(TakeWrites(), (Writes{"B", "B", "B", "B", "B"}));
    Reply("\x15");
    EXPECT_EQ(PartitionsRequestContinue(context, 0), 5);
    EXPECT_TRUE(TakeWrites().empty());
}

TEST_F(HandshakeRequestsTest, PartitionDescriptorsOfTheEdges) {
    std::string sixtyFour = "64,400000";
    for (int i = 0; i < 64; ++i) {
        char start[16];
        std::snprintf(start, sizeof(start), ",%X", i * 0x10000);
        sixtyFour += start;
    }
    struct Case {
        std::string descriptor;
        int result;
    };
    const Case cases[] = {
        {"1,80000,0", 1},    {"0,80000,", 1},      {"0,80000", 3}, {"3,200000,0,10000", 3},
        {"65,1000000,0", 3}, {"300,1000000,0", 3}, {sixtyFour, 1},
    };
    for (const Case& c : cases) {
        PartitionsRequestBegin(context, 0);
        Reply("\x06" + c.descriptor + "\r");
        EXPECT_EQ(PartitionsRequestContinue(context, 0), c.result) << c.descriptor;
    }
    // Sixty-four partitions fit.
    EXPECT_EQ(context.partitions.count, 64);
    EXPECT_EQ(context.partitions.start[63], 63u * 0x10000);
}

TEST_F(HandshakeRequestsTest, ClearNvramNeedsTheAck) {
    ClearNvramRequestBegin(context, 0);
    EXPECT_EQ(TakeWrites(), Writes{"C"});
    Reply(kAckText);
    EXPECT_EQ(ClearNvramRequestContinue(context, 0), 1);
    Reply("\x15");
    EXPECT_EQ(ClearNvramRequestContinue(context, 0), 3);
    record().subStep = 7;
    Reply(kAckText);
    EXPECT_EQ(ClearNvramRequestContinue(context, 0), 3);
}

class ProgramIdsTest : public ChannelFixture {
protected:
    // Runs the request with ACK to every command; the commands it sent.
    Writes Run(const char* part, const char* serial, int* begin = nullptr) {
        std::snprintf(window.record.newPartNumber, sizeof(window.record.newPartNumber), "%s", part);
        std::snprintf(window.record.newSerialNumber, sizeof(window.record.newSerialNumber), "%s",
                      serial);
        const int started = ProgramIdsRequestBegin(context, 0);
        if (begin != nullptr) {
            *begin = started;
        }
        int guard = 0;
        while (started == 0 && guard++ < 10) {
            Reply(kAckText);
            if (ProgramIdsRequestContinue(context, 0) == 1) {
                break;
            }
        }
        return TakeWrites();
    }
};

TEST_F(ProgramIdsTest, SendsEachGivenNumberWholeAndNeverAnEmptyOne) {
    const struct {
        const char* part;
        const char* serial;
        Writes expected;
    } cases[] = {
        {"1002-3456-02", "B2", {"S", "P1002-3456-02\r", "S", "SB2\r"}},
        {"PN9", "", {"S", "PPN9\r"}},
        {"", "SN7", {"S", "SSN7\r"}},  // never a "P"
        {"12345678901234", "123456789012", {"S", "P12345678901234\r", "S", "S123456789012\r"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(c.part, c.serial), c.expected) << c.part << "/" << c.serial;
    }
}

TEST_F(ProgramIdsTest, NeitherSendsNothing) {
    int begin = 0;
    EXPECT_TRUE(Run("", "", &begin).empty());
    EXPECT_EQ(begin, 1);
}

TEST_F(ProgramIdsTest, NegativeReplyAtAnyStepFails) {
    for (int failAt = 0; failAt < 4; ++failAt) {
        std::snprintf(window.record.newPartNumber, 15, "%s", "PN");
        std::snprintf(window.record.newSerialNumber, 13, "%s", "SN");
        ASSERT_EQ(ProgramIdsRequestBegin(context, 0), 0);
        int result = 0;
        for (int step = 0; step <= failAt; ++step) {
            Reply(step == failAt ? "\x15" : kAckText);
            result = ProgramIdsRequestContinue(context, 0);
        }
        EXPECT_EQ(result, 3) << failAt;
    }
}

}  // namespace
}  // namespace corvane::test
