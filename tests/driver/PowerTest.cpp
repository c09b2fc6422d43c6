// Power requests: queries always succeed, everything is passed down.
#include <gtest/gtest.h>

#include "tests/driver/StackHarness.h"
#include "tests/driver/TraceExpect.h"

namespace corvane::drivertest {
namespace {

class PowerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(harness_.AddAndStart(), STATUS_SUCCESS);
        harness_.ClearTrace();
    }

    StackHarness harness_;
};

POWER_STATE DeviceState(DEVICE_POWER_STATE state) {
    POWER_STATE power;
    power.DeviceState = state;
    return power;
}

TEST_F(PowerTest, QueryIsAnsweredWithSuccessWhateverTheLowerDriverSays) {
    harness_.Lower().SetPowerAnswer(STATUS_UNSUCCESSFUL);
    auto result = harness_.Power(IRP_MN_QUERY_POWER, DevicePowerState, DeviceState(PowerDeviceD3),
                                 PowerActionShutdown);
    EXPECT_EQ(result.status, STATUS_SUCCESS);
    EXPECT_EQ(result.information, 0u);
    EXPECT_TRUE(result.startNextPowerCalled);
    EXPECT_EQ(harness_.Lower().PowerMinors(), std::vector<UCHAR>{IRP_MN_QUERY_POWER});
    auto lines = harness_.TraceLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "USBCTRL: IRP_MN_QUERY_POWER:PowerState: 1 - State: 4");
    EXPECT_EQ(lines[1], "USBCTRL: IRP_MN_QUERY_POWER:ShutdownType: " +
                            Decimal(static_cast<int32_t>(PowerActionShutdown)));
    EXPECT_EQ(lines[2].rfind("USBCTRL: Finished IRP_MN_QUERY_POWER: NTSTATUS:", 0), 0u);
}

TEST_F(PowerTest, SetPowerIsTracedAndPassedDown) {
    harness_.Lower().SetPowerAnswer(STATUS_SUCCESS);
    POWER_STATE state;
    state.SystemState = PowerSystemWorking;
    auto result = harness_.Power(IRP_MN_SET_POWER, SystemPowerState, state);
    EXPECT_EQ(result.status, STATUS_SUCCESS);
    EXPECT_TRUE(result.startNextPowerCalled);
    EXPECT_EQ(harness_.TraceLines(), std::vector<std::string>{"USBCTRL: IRP_MN_SET_POWER"});
    EXPECT_EQ(harness_.Lower().PowerMinors(), std::vector<UCHAR>{IRP_MN_SET_POWER});
}

TEST_F(PowerTest, OtherPowerRequestsArePassedDownSilently) {
    harness_.Lower().SetPowerAnswer(STATUS_NOT_SUPPORTED);
    auto result =
        harness_.Power(IRP_MN_POWER_SEQUENCE, DevicePowerState, DeviceState(PowerDeviceD0));
    EXPECT_EQ(result.status, STATUS_NOT_SUPPORTED);
    EXPECT_TRUE(result.startNextPowerCalled);
    EXPECT_TRUE(harness_.TraceLines().empty());
    EXPECT_EQ(harness_.Lower().PowerMinors(), std::vector<UCHAR>{IRP_MN_POWER_SEQUENCE});
}

}  // namespace
}  // namespace corvane::drivertest
