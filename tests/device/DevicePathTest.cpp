#include <gtest/gtest.h>

#include <string>

#include "app/device/DevicePath.h"

namespace corvane {
namespace {

TEST(DevicePath, PathsUpTo259CharactersAreKeptWhole) {
    DeviceRecord record;
    const std::string longest(259, 'p');
    ASSERT_TRUE(StoreDevicePath(record, longest.c_str()));
    EXPECT_EQ(std::string(record.devicePath), longest);
    const std::string hundredAndFive = "\\\\?\\USB#VID_1209&PID_0001#" + std::string(80, 'x');
    ASSERT_TRUE(StoreDevicePath(record, hundredAndFive.c_str()));
    EXPECT_EQ(std::string(record.devicePath), hundredAndFive);
}

TEST(DevicePath, APathThatDoesNotFitIsRefusedAndTheRecordKept) {
    DeviceRecord record;
    ASSERT_TRUE(StoreDevicePath(record, "kept"));
    EXPECT_FALSE(StoreDevicePath(record, std::string(260, 'q').c_str()));
    EXPECT_STREQ(record.devicePath, "kept");
}

TEST(DevicePath, ArrivalComparesWithCaseRemovalWithout) {
    DeviceRecord record;
    ASSERT_TRUE(StoreDevicePath(record, "\\\\?\\USB#Vid_1209#A"));
    EXPECT_TRUE(IsSameDevicePath(record, "\\\\?\\USB#Vid_1209#A"));
    EXPECT_FALSE(IsSameDevicePath(record, "\\\\?\\usb#vid_1209#a"));
    const char removed[] = "\\\\?\\usb#VID_1209#a";
    EXPECT_TRUE(MatchesRemovedPath(record, removed, sizeof(removed)));
    const char other[] = "\\\\?\\usb#VID_1209#b";
    EXPECT_FALSE(MatchesRemovedPath(record, other, sizeof(other)));
    const char longer[] = "\\\\?\\usb#VID_1209#a2";
    EXPECT_FALSE(MatchesRemovedPath(record, longer, sizeof(longer)));
}

TEST(DevicePath, PathsBeyondTheOldHundredCharacterLimitStillMatchWhole) {
    DeviceRecord record;
    const std::string base = "\\\\?\\USB#" + std::string(120, 'a');
    ASSERT_TRUE(StoreDevicePath(record, (base + "1").c_str()));
    const std::string sameStart = base + "2";
    EXPECT_FALSE(IsSameDevicePath(record, sameStart.c_str()));
    EXPECT_FALSE(MatchesRemovedPath(record, sameStart.c_str(), sameStart.size() + 1));
}

TEST(DevicePath, ANameWithoutItsNulInsideTheNoticeNeverMatches) {
    DeviceRecord record;
    ASSERT_TRUE(StoreDevicePath(record, "abc"));
    const char name[3] = {'a', 'b', 'c'};
    EXPECT_FALSE(MatchesRemovedPath(record, name, sizeof(name)));
    EXPECT_FALSE(MatchesRemovedPath(record, nullptr, 10));
}

}  // namespace
}  // namespace corvane
