// The USB identity byte for byte, endpoint 0's requests, and the unusual
// devices built for the driver's tests.
#include <gtest/gtest.h>

#include "sim/ProjectorDescriptors.h"
#include "sim/StandardRequests.h"
#include "tests/sim/ProjectorHost.h"

namespace corvane::sim {
namespace {

using testing::ProjectorHost;
using usb::UsbResult;
using Bytes = std::vector<uint8_t>;

Bytes Utf16String(const std::string& text) {
    Bytes bytes = {static_cast<uint8_t>(2 + 2 * text.size()), 3};
    for (char c : text) {
        bytes.push_back(static_cast<uint8_t>(c));
        bytes.push_back(0);
    }
    return bytes;
}

const Bytes kDeviceDescriptor = {18,   1,    0x00, 0x02, 0,    0, 0, 64, 0x09,
                                 0x12, 0x01, 0x00, 0x00, 0x01, 1, 2, 3,  1};

const Bytes kConfiguration = {
    9, 2, 32,   0, 1,  1,    4, 0xC0, 1,  // configuration: 1 interface, value 1, string 4
    9, 4, 0,    0, 2,  0xFF, 0, 0,    5,  // interface 0: 2 endpoints, vendor class, string 5
    7, 5, 0x81, 2, 64, 0,    0,           // bulk IN 0x81, 64 bytes
    7, 5, 0x02, 2, 64, 0,    0,           // bulk OUT 0x02, 64 bytes
};

TEST(ProjectorDescriptors, DeviceAndConfigurationByteForByte) {
    VirtualProjector projector;
    ProjectorHost host(projector);
    EXPECT_EQ(kDeviceDescriptor, host.GetDescriptor(1, 0, 0, 18));
    EXPECT_EQ(kConfiguration, host.GetDescriptor(2, 0, 0, 255));
    // At most wLength bytes, like real hardware: the 9-byte head first.
    EXPECT_EQ(Bytes(kConfiguration.begin(), kConfiguration.begin() + 9),
              host.GetDescriptor(2, 0, 0, 9));
    EXPECT_EQ(Bytes(kDeviceDescriptor.begin(), kDeviceDescriptor.begin() + 8),
              host.GetDescriptor(1, 0, 0, 8));
}

TEST(ProjectorDescriptors, StringsInLanguage0409) {
    VirtualProjector projector;
    ProjectorHost host(projector);
    EXPECT_EQ((Bytes{4, 3, 0x09, 0x04}), host.GetDescriptor(3, 0, 0, 255));
    EXPECT_EQ((Bytes{4, 3, 0x09, 0x04}), host.GetDescriptor(3, 0, 0x0409, 256));
    EXPECT_EQ(Utf16String("Velta"), host.GetDescriptor(3, 1, 0x0409, 256));
    EXPECT_EQ(Utf16String("PJX2000 Projector"), host.GetDescriptor(3, 2, 0x0409, 256));
    EXPECT_EQ(Utf16String("A10000012345"), host.GetDescriptor(3, 3, 0x0409, 256));
    EXPECT_EQ(Utf16String("Projector Flash"), host.GetDescriptor(3, 4, 0x0409, 256));
    EXPECT_EQ(Utf16String("Projector Flash"), host.GetDescriptor(3, 5, 0x0409, 256));
    EXPECT_EQ(Bytes({32, 3, 'P', 0}), host.GetDescriptor(3, 4, 0x0409, 4));
}

TEST(ProjectorDescriptors, NormalModeNamesProjectorControl) {
    ProjectorConfig config;
    config.mode = ProjectorMode::Normal;
    VirtualProjector projector(config);
    ProjectorHost host(projector);
    EXPECT_EQ(Utf16String("Projector Control"), host.GetDescriptor(3, 4, 0x0409, 256));
    EXPECT_EQ(Utf16String("Projector Control"), host.GetDescriptor(3, 5, 0x0409, 256));
    EXPECT_EQ(ProjectorMode::Normal, projector.Mode());
}

TEST(ProjectorDescriptors, UnknownRequestsStall) {
    VirtualProjector projector;
    ProjectorHost host(projector);
    UsbResult result;
    host.GetDescriptor(3, 6, 0x0409, 256, &result);
    EXPECT_EQ(UsbResult::Stall, result);
    host.GetDescriptor(3, 1, 0x0407, 256, &result);  // a language it does not have
    EXPECT_EQ(UsbResult::Stall, result);
    host.GetDescriptor(2, 1, 0, 9, &result);  // only configuration 0
    EXPECT_EQ(UsbResult::Stall, result);
    host.GetDescriptor(1, 1, 0, 18, &result);
    EXPECT_EQ(UsbResult::Stall, result);
    host.GetDescriptor(6, 0, 0, 10, &result);  // device qualifier: full speed only
    EXPECT_EQ(UsbResult::Stall, result);
    EXPECT_EQ(UsbResult::Stall, host.Control(0x21, 0x01, 0, 0, 0));  // class request
    EXPECT_EQ(UsbResult::Stall, host.Control(0x00, usb::kRequestGetDescriptor, 0x100, 0, 0));
    const usb::SetupPacket setup{0x80, usb::kRequestGetDescriptor, 0x100, 0, 18};
    uint32_t transferred = 99;
    EXPECT_EQ(UsbResult::Stall, projector.ControlTransfer(setup, nullptr, &transferred));
    EXPECT_EQ(0u, transferred);
}

TEST(ProjectorDescriptors, SetConfigurationSelectsAndDeconfigures) {
    VirtualProjector projector;
    ProjectorHost host(projector);
    EXPECT_FALSE(projector.IsConfigured());
    EXPECT_EQ(UsbResult::Stall, host.Write("Sync\r"));  // bulk needs a configuration
    EXPECT_EQ(UsbResult::Stall, host.Configure(2));
    EXPECT_EQ(UsbResult::Stall, host.Control(0x00, usb::kRequestSetConfiguration, 0x0101, 0, 0));
    EXPECT_FALSE(projector.IsConfigured());
    EXPECT_EQ(UsbResult::Ok, host.Configure(1));
    EXPECT_TRUE(projector.IsConfigured());
    std::vector<uint8_t> value;
    EXPECT_EQ(UsbResult::Ok, host.Control(0x80, 8, 0, 0, 1, &value));
    EXPECT_EQ(Bytes{1}, value);
    EXPECT_EQ(UsbResult::Ok, host.Write("Sync\r"));
    EXPECT_EQ(UsbResult::Ok, host.Configure(0));
    EXPECT_FALSE(projector.IsConfigured());
    EXPECT_EQ(UsbResult::Stall, host.Write("Sync\r"));
    EXPECT_EQ(UsbResult::Ok, host.Control(0x00, 5, 7, 0, 0));  // SET_ADDRESS
    EXPECT_EQ(UsbResult::Ok, host.Control(0x80, 0, 0, 0, 2, &value));
    EXPECT_EQ((Bytes{0, 0}), value);
}

TEST(ProjectorDescriptors, DetachedDeviceAnswersNothing) {
    ProjectorConfig config;
    config.startAttached = false;
    VirtualProjector projector(config);
    ProjectorHost host(projector);
    UsbResult result;
    EXPECT_TRUE(host.GetDescriptor(1, 0, 0, 18, &result).empty());
    EXPECT_EQ(UsbResult::NoDevice, result);
    EXPECT_EQ(UsbResult::NoDevice, host.Configure());
    projector.Plug();
    EXPECT_EQ(kDeviceDescriptor, host.GetDescriptor(1, 0, 0, 18));
}

// The unusual devices, as laid out in bytes.
class UnusualDescriptors : public ::testing::Test {
protected:
    UsbDescriptorSpec base_ = ProjectorDescriptorSpec({}, ProjectorMode::Flash, "SN1");
};

TEST_F(UnusualDescriptors, SeveralInterfacesInAnyOrderAndCase) {
    const DescriptorSet set = BuildDescriptors(
        unusual::WithInterfaces(base_, {"PROJECTOR FLASH", "Projector Control", "Other"}));
    ASSERT_EQ(9u + 3 * 23u, set.configuration.size());
    EXPECT_EQ(set.configuration.size(), set.configuration[2]);
    EXPECT_EQ(3, set.configuration[4]);  // bNumInterfaces
    EXPECT_EQ((Bytes{9, 4, 1, 0, 2, 0xFF, 0, 0, 6}),
              Bytes(set.configuration.begin() + 32, set.configuration.begin() + 41));
    EXPECT_EQ(0x83, set.configuration[43]);  // interface 1: IN 0x83, OUT 0x04
    EXPECT_EQ(0x04, set.configuration[50]);
    EXPECT_EQ(Utf16String("PROJECTOR FLASH"), set.strings.at(5));
    EXPECT_EQ(Utf16String("Projector Control"), set.strings.at(6));
    EXPECT_EQ(Utf16String("Other"), set.strings.at(7));
    EXPECT_EQ((std::set<uint8_t>{0x81, 0x02, 0x83, 0x04, 0x85, 0x06}),
              DeclaredEndpoints(set.configuration));
}

TEST_F(UnusualDescriptors, OneEndpointAndAlternateSettings) {
    const DescriptorSet one = BuildDescriptors(unusual::WithOneEndpoint(base_));
    EXPECT_EQ((Bytes{9, 2,    25, 0, 1, 1, 4, 0xC0, 1, 9,  4, 0, 0,
                     1, 0xFF, 0,  0, 5, 7, 5, 0x81, 2, 64, 0, 0}),
              one.configuration);

    const DescriptorSet alternate = BuildDescriptors(unusual::WithAlternateSetting(base_));
    ASSERT_EQ(55u, alternate.configuration.size());
    EXPECT_EQ(55, alternate.configuration[2]);
    EXPECT_EQ(1, alternate.configuration[4]);  // still one interface number
    EXPECT_EQ((Bytes{9, 4, 0, 1, 2}),
              Bytes(alternate.configuration.begin() + 32, alternate.configuration.begin() + 37));
}

TEST_F(UnusualDescriptors, MissingAndOddStrings) {
    const DescriptorSet noSerial = BuildDescriptors(unusual::WithoutSerialNumber(base_));
    EXPECT_EQ(0, noSerial.device[16]);
    EXPECT_FALSE(noSerial.Find(3, 3, 0x0409).has_value());
    EXPECT_EQ((Bytes{4, 3, 9, 4}), noSerial.Find(3, 0, 0x0409));

    for (uint8_t length : {0, 1, 3}) {
        const DescriptorSet odd =
            BuildDescriptors(unusual::WithStringLength(base_, kSerialNumberString, length));
        const Bytes expected = {length, 3, 'S', 0, 'N', 0, '1', 0};
        EXPECT_EQ(expected, odd.Find(3, kSerialNumberString, 0x0409)) << int(length);
    }
}

TEST_F(UnusualDescriptors, RejectedRequestAndInconsistentLengths) {
    VirtualProjector projector;
    projector.SetDescriptors(unusual::WithRejectedRequest(base_, 3, kConfigurationString));
    ProjectorHost host(projector);
    UsbResult result;
    host.GetDescriptor(3, kConfigurationString, 0x0409, 256, &result);
    EXPECT_EQ(UsbResult::Stall, result);
    EXPECT_EQ(Utf16String("Projector Flash"), host.GetDescriptor(3, 5, 0x0409, 256));

    projector.SetDescriptors(unusual::WithTotalLength(base_, 200));
    const Bytes longer = host.GetDescriptor(2, 0, 0, 200);
    EXPECT_EQ(32u, longer.size());  // the device has only 32 bytes to give
    EXPECT_EQ(200, longer[2]);

    projector.SetDescriptors(unusual::WithConfigurationByte(base_, 9, 0));
    const Bytes broken = host.GetDescriptor(2, 0, 0, 255);
    EXPECT_EQ(0, broken[9]);
    EXPECT_TRUE(DeclaredEndpoints(broken).empty());  // the walk stops, it never loops

    projector.SetDescriptors(std::nullopt);
    EXPECT_EQ(kConfiguration, host.GetDescriptor(2, 0, 0, 255));
}

TEST_F(UnusualDescriptors, BulkGoesThroughTheDeclaredEndpointsOnly) {
    VirtualProjector projector;
    projector.SetDescriptors(
        unusual::WithInterfaces(base_, {"Projector Control", "Projector Flash"}));
    ProjectorHost host(projector);
    ASSERT_EQ(UsbResult::Ok, host.Configure());
    EXPECT_EQ(UsbResult::Ok, host.Write("Sync\r", 0x04));
    EXPECT_EQ(testing::kAckText, host.Read(64, nullptr, 0x83));
    EXPECT_EQ(UsbResult::Stall, host.Write("Sync\r", 0x08));
    UsbResult result;
    host.Read(64, &result, 0x87);
    EXPECT_EQ(UsbResult::Stall, result);
}

TEST(StandardRequests, EndpointWalkSurvivesTruncatedDescriptors) {
    EXPECT_TRUE(DeclaredEndpoints({}).empty());
    EXPECT_TRUE(DeclaredEndpoints({9, 2, 0}).empty());
    EXPECT_EQ((std::set<uint8_t>{0x81}), DeclaredEndpoints({7, 5, 0x81, 2, 64, 0, 0, 7, 5, 2}));
    EXPECT_TRUE(DeclaredEndpoints({1, 5, 0x81}).empty());
}

}  // namespace
}  // namespace corvane::sim
