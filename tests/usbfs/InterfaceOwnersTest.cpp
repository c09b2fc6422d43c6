// The kernel's rules for holding interfaces through usbfs.
#include <gtest/gtest.h>

#include <cerrno>

#include "sim/usbfs/InterfaceOwners.h"
#include "sim/usbfs/UsbfsAbi.h"

namespace corvane::usbfs {
namespace {

constexpr FileId kFile = 1;
constexpr FileId kOtherFile = 2;

TEST(InterfaceOwnersTest, ClaimReleaseAndClose) {
    InterfaceOwners owners;
    owners.Reset({0, 1}, {});
    EXPECT_EQ(owners.Claim(kFile, 0), 0);
    EXPECT_EQ(owners.Claim(kFile, 0), 0);  // again: still the file's
    EXPECT_EQ(owners.Claim(kOtherFile, 0), EBUSY);
    EXPECT_EQ(owners.Claim(kFile, 2), ENOENT);
    EXPECT_EQ(owners.Release(kOtherFile, 0), EINVAL);
    std::string driver;
    ASSERT_EQ(owners.DriverName(0, &driver), 0);
    EXPECT_EQ(driver, "usbfs");
    EXPECT_EQ(owners.DriverName(1, &driver), ENODATA);
    EXPECT_TRUE(owners.AnyHeld());
    owners.ReleaseAll(kFile);
    EXPECT_FALSE(owners.AnyHeld());
    EXPECT_EQ(owners.Claim(kOtherFile, 0), 0);
}

TEST(InterfaceOwnersTest, UnconfiguredDeviceHasNoInterfaces) {
    InterfaceOwners owners;
    owners.Reset({}, {});
    EXPECT_EQ(owners.Claim(kFile, 0), ENOENT);
    EXPECT_EQ(owners.Disconnect(0), EINVAL);
    bool bound = true;
    EXPECT_EQ(owners.Connect(0, &bound), EINVAL);
    EXPECT_FALSE(bound);
}

TEST(InterfaceOwnersTest, KernelDriverIsUnboundAndBoundAgain) {
    InterfaceOwners owners;
    owners.Reset({0, 1}, {false, true});
    std::string driver;
    ASSERT_EQ(owners.DriverName(0, &driver), 0);
    EXPECT_EQ(driver, "usbhid");
    EXPECT_EQ(owners.DriverName(1, &driver), ENODATA);  // only interface 0
    EXPECT_EQ(owners.Claim(kFile, 0), EBUSY);
    EXPECT_EQ(owners.Disconnect(0), 0);
    EXPECT_EQ(owners.Disconnect(0), ENODATA);
    bool bound = false;
    EXPECT_EQ(owners.Connect(0, &bound), 0);
    EXPECT_TRUE(bound);
    EXPECT_EQ(owners.Connect(0, &bound), EBUSY);
    // Interface 1 never had a driver: connecting binds nothing.
    EXPECT_EQ(owners.Connect(1, &bound), 0);
    EXPECT_FALSE(bound);
}

TEST(InterfaceOwnersTest, DisconnectClaimHonoursTheDriverFilter) {
    InterfaceOwners owners;
    owners.Reset({0}, {false, true});
    EXPECT_EQ(owners.DisconnectAndClaim(kFile, 0, USBDEVFS_DISCONNECT_CLAIM_IF_DRIVER, "usbfs"),
              EBUSY);
    EXPECT_EQ(
        owners.DisconnectAndClaim(kFile, 0, USBDEVFS_DISCONNECT_CLAIM_EXCEPT_DRIVER, "usbhid"),
        EBUSY);
    EXPECT_EQ(owners.DisconnectAndClaim(kFile, 0, USBDEVFS_DISCONNECT_CLAIM_EXCEPT_DRIVER, "usbfs"),
              0);
    EXPECT_TRUE(owners.HeldBy(kFile, 0));
    EXPECT_EQ(owners.DisconnectAndClaim(kFile, 3, 0, ""), EINVAL);
}

TEST(InterfaceOwnersTest, AnotherProgramHoldsEveryInterface) {
    InterfaceOwners owners;
    owners.Reset({0, 1}, {true, false});
    EXPECT_EQ(owners.Claim(kFile, 0), EBUSY);
    EXPECT_EQ(owners.Claim(kFile, 1), EBUSY);
    // libusb leaves usbfs claims alone; the kernel would unbind them.
    EXPECT_EQ(owners.DisconnectAndClaim(kFile, 0, USBDEVFS_DISCONNECT_CLAIM_EXCEPT_DRIVER, "usbfs"),
              EBUSY);
    EXPECT_EQ(owners.Disconnect(1), 0);
    EXPECT_EQ(owners.Claim(kFile, 1), 0);
}

}  // namespace
}  // namespace corvane::usbfs
