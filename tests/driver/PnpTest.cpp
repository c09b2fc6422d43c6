// Plug and Play requests other than start: what is answered here and what is
// passed down, capabilities, surprise removal and removal on each generation.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "tests/driver/StackHarness.h"
#include "tests/driver/TraceExpect.h"

namespace corvane::drivertest {
namespace {

using kernel::WindowsGeneration;

struct MinorCase {
    const char* name;
    UCHAR minor;
    const char* trace;
    bool passedDown;
    bool waitsForLower = false;  // completed here once the lower driver is done with it
};

class PnpMinor : public ::testing::TestWithParam<MinorCase> {};

TEST_P(PnpMinor, IsTracedAndAnsweredOrPassedDown) {
    const MinorCase& c = GetParam();
    StackHarness harness;
    ASSERT_EQ(harness.AddAndStart(), STATUS_SUCCESS);
    harness.ClearTrace();
    harness.Lower().SetPnpAnswer(c.minor, STATUS_NOT_SUPPORTED, Completion::Immediate);

    auto result = harness.Pnp(c.minor);
    std::vector<std::string> expected{std::string("USBCTRL: DispatchPnP ") + c.trace};
    if (c.waitsForLower) {
        expected.push_back("USBCTRL OnRequestComplete() - Irp status = " +
                           std::to_string(STATUS_NOT_SUPPORTED));
    }
    EXPECT_EQ(harness.TraceLines(), expected);
    std::vector<UCHAR> minors = harness.Lower().PnpMinors();
    bool reachedLower = minors.size() == 2 && minors[1] == c.minor;
    EXPECT_EQ(reachedLower, c.passedDown);
    if (c.passedDown) {
        EXPECT_EQ(result.status, STATUS_NOT_SUPPORTED);  // the lower driver's answer
    } else {
        EXPECT_EQ(result.status, STATUS_SUCCESS);
        EXPECT_EQ(result.information, 0u);
    }
    EXPECT_TRUE(harness.Host().Violations().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Minors, PnpMinor,
    ::testing::Values(
        MinorCase{"QueryRemove", IRP_MN_QUERY_REMOVE_DEVICE, "- IRP_MN_QUERY_REMOVE_DEVICE", true},
        MinorCase{"CancelRemove", IRP_MN_CANCEL_REMOVE_DEVICE, "- IRP_MN_CANCEL_REMOVE_DEVICE",
                  true, true},
        MinorCase{"Stop", IRP_MN_STOP_DEVICE, "- IRP_MN_STOP_DEVICE", true},
        MinorCase{"QueryStop", IRP_MN_QUERY_STOP_DEVICE, "- IRP_MN_QUERY_STOP_DEVICE", true},
        MinorCase{"CancelStop", IRP_MN_CANCEL_STOP_DEVICE, "- IRP_MN_CANCEL_STOP_DEVICE", true,
                  true},
        MinorCase{"Relations", IRP_MN_QUERY_DEVICE_RELATIONS, "- IRP_MN_QUERY_DEVICE_RELATIONS",
                  true},
        MinorCase{"FilterResources", IRP_MN_FILTER_RESOURCE_REQUIREMENTS,
                  "- IRP_MN_FILTER_RESOURCE_REQUIREMENTS", true},
        MinorCase{"QueryId", IRP_MN_QUERY_ID, "- IRP_MN_QUERY_ID", true},
        MinorCase{"DeviceState", IRP_MN_QUERY_PNP_DEVICE_STATE, "- IRP_MN_QUERY_PNP_DEVICE_STATE",
                  true},
        MinorCase{"QueryInterface", IRP_MN_QUERY_INTERFACE, "- Unsupported PnP minor function 8",
                  true},
        MinorCase{"BusInformation", IRP_MN_QUERY_BUS_INFORMATION,
                  "- Unsupported PnP minor function 15", true},
        MinorCase{"UsageNotification", IRP_MN_DEVICE_USAGE_NOTIFICATION,
                  "- Unsupported PnP minor function 16", true}),
    [](const auto& info) { return std::string(info.param.name); });

struct StopCase {
    const char* name;
    UCHAR minor;
    Completion completion;
};

class StopAndCancel : public ::testing::TestWithParam<StopCase> {};

// A lower driver that leaves the status alone sees query-stop and stop
// already succeeded; a cancel is completed here only after the lower driver
// completed it, even when it does so later.
TEST_P(StopAndCancel, SucceedWithALowerDriverThatAgrees) {
    const StopCase& c = GetParam();
    StackHarness harness;
    ASSERT_EQ(harness.AddAndStart(), STATUS_SUCCESS);
    if (c.completion == Completion::Pending) {
        harness.Lower().SetPnpAnswer(c.minor, STATUS_SUCCESS, Completion::Pending);
    }
    auto result = harness.Pnp(c.minor);
    EXPECT_EQ(result.status, STATUS_SUCCESS);
    EXPECT_EQ(result.information, 0u);
    EXPECT_EQ(harness.Lower().PnpMinors(), (std::vector<UCHAR>{IRP_MN_START_DEVICE, c.minor}));
    EXPECT_TRUE(harness.Host().Violations().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Requests, StopAndCancel,
    ::testing::Values(StopCase{"QueryStop", IRP_MN_QUERY_STOP_DEVICE, Completion::Immediate},
                      StopCase{"Stop", IRP_MN_STOP_DEVICE, Completion::Immediate},
                      StopCase{"CancelStop", IRP_MN_CANCEL_STOP_DEVICE, Completion::Immediate},
                      StopCase{"CancelStopLater", IRP_MN_CANCEL_STOP_DEVICE, Completion::Pending},
                      StopCase{"CancelRemove", IRP_MN_CANCEL_REMOVE_DEVICE, Completion::Immediate},
                      StopCase{"CancelRemoveLater", IRP_MN_CANCEL_REMOVE_DEVICE,
                               Completion::Pending}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PnpTest, CapabilitiesAllowSurpriseRemovalAndMapNoPowerStates) {
    StackHarness harness;
    ASSERT_EQ(harness.AddAndStart(), STATUS_SUCCESS);
    for (NTSTATUS lowerStatus : {STATUS_SUCCESS, STATUS_UNSUCCESSFUL}) {
        DEVICE_CAPABILITIES caps{};
        caps.Size = sizeof(caps);
        caps.Version = 1;
        harness.Lower().SetPnpAnswer(IRP_MN_QUERY_CAPABILITIES, lowerStatus, Completion::Pending);
        auto result = harness.Pnp(IRP_MN_QUERY_CAPABILITIES, &caps);
        EXPECT_EQ(result.status, lowerStatus);
        EXPECT_EQ(caps.SurpriseRemovalOK, 1u);
        for (auto state : caps.DeviceState) {
            EXPECT_EQ(state, PowerDeviceUnspecified);
        }
        EXPECT_EQ(caps.DeviceWake, PowerDeviceUnspecified);
        EXPECT_EQ(caps.SystemWake, PowerSystemUnspecified);
    }
    EXPECT_TRUE(HasLine(harness.TraceLines(), "USBCTRL: DispatchPnP - IRP_MN_QUERY_CAPABILITIES"));
    EXPECT_TRUE(harness.Host().Violations().empty());
}

// A read that waits for the projector, in a thread of its own.
std::thread StartRead(StackHarness& harness, kernel::RequestResult* result) {
    return std::thread([&harness, result] {
        USBCTRL_REQUEST request{};
        request.HCIReadBufferSize = 64;
        USBCTRL_REPLY reply{};
        *result =
            harness.IoControl(IOCTRL_READ_DATA, &request, sizeof(request), &reply, sizeof(reply));
    });
}

class RemovalOnGeneration : public ::testing::TestWithParam<WindowsGeneration> {};

TEST_P(RemovalOnGeneration, DeconfiguresAndDeletesTheDevice) {
    StackHarness harness(GetParam());
    ASSERT_EQ(harness.AddAndStart(), STATUS_SUCCESS);
    harness.Lower().ClearUrbs();
    size_t devicesBefore = harness.Host().Io().LiveDeviceCount();

    auto result = harness.Remove();
    EXPECT_EQ(result.status, STATUS_SUCCESS);
    EXPECT_TRUE(HasLine(harness.TraceLines(), "USBCTRL: DispatchPnP - IRP_MN_REMOVE_DEVICE"));
    // Both pipes are aborted, then the device is deconfigured.
    auto urbs = harness.Lower().Urbs();
    ASSERT_EQ(urbs.size(), 3u);
    EXPECT_EQ(urbs[0].function, URB_FUNCTION_ABORT_PIPE);
    EXPECT_EQ(urbs[0].pipe, LowerDriverDouble::PipeHandleFor(0, 0));
    EXPECT_EQ(urbs[1].function, URB_FUNCTION_ABORT_PIPE);
    EXPECT_EQ(urbs[1].pipe, LowerDriverDouble::PipeHandleFor(0, 1));
    EXPECT_EQ(urbs[2].function, URB_FUNCTION_SELECT_CONFIGURATION);
    EXPECT_FALSE(urbs[2].hasConfiguration);

    std::vector<UCHAR> minors = harness.Lower().PnpMinors();
    bool passedDown = std::count(minors.begin(), minors.end(), IRP_MN_REMOVE_DEVICE) == 1;
    bool expectDown =
        GetParam() == WindowsGeneration::Win2000 || GetParam() == WindowsGeneration::WinXp;
    EXPECT_EQ(passedDown, expectDown);
    EXPECT_EQ(harness.Host().Io().LiveDeviceCount(), devicesBefore - 1);
    EXPECT_EQ(harness.Lower().Pdo()->AttachedDevice, nullptr);
    EXPECT_EQ(harness.Host().Pool().OutstandingTotal(), 0u);
    // Every generation completes the removal request (the host reports one that is not).
    EXPECT_TRUE(harness.Host().Violations().empty());
}

// 98 and ME send the removal with no surprise removal before it, a read still
// waiting on the pipe: removal must end it rather than wait for it for ever.
TEST_P(RemovalOnGeneration, AbortsAReadBlockedOnThePipeInsteadOfWaitingForIt) {
    StackHarness harness(GetParam());
    ASSERT_EQ(harness.AddAndStart(), STATUS_SUCCESS);
    ASSERT_EQ(harness.Create().status, STATUS_SUCCESS);
    harness.Lower().AnswerAbortPipe();

    kernel::RequestResult readResult;
    std::thread reader = StartRead(harness, &readResult);
    ASSERT_TRUE(harness.Lower().WaitForWaitingIn(5000));

    std::atomic<bool> removed{false};
    std::thread remover([&] {
        harness.Remove();
        removed = true;
    });
    for (int i = 0; i < 2500 && !removed; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_TRUE(removed) << "removal still waits for the blocked read";
    harness.Lower().FailWaitingIn(STATUS_DEVICE_NOT_CONNECTED);  // lets a hung removal end
    reader.join();
    remover.join();
    EXPECT_EQ(readResult.status, STATUS_CANCELLED);
    EXPECT_EQ(harness.Host().Pool().OutstandingTotal(), 0u);
    EXPECT_TRUE(harness.Host().Violations().empty());
}

INSTANTIATE_TEST_SUITE_P(Generations, RemovalOnGeneration,
                         ::testing::Values(WindowsGeneration::Win98, WindowsGeneration::WinMe,
                                           WindowsGeneration::Win2000, WindowsGeneration::WinXp));

TEST(PnpTest, RemovalIgnoresAFailedDeconfiguration) {
    StackHarness harness;
    ASSERT_EQ(harness.AddAndStart(), STATUS_SUCCESS);
    harness.Lower().FailUrbs(URB_FUNCTION_SELECT_CONFIGURATION, STATUS_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(harness.Remove().status, STATUS_SUCCESS);
    EXPECT_EQ(harness.Host().Pool().OutstandingTotal(), 0u);
}

TEST(PnpTest, SurpriseRemovalThenRemovalFreesTheLinkOnce) {
    StackHarness harness;
    ASSERT_EQ(harness.AddAndStart(), STATUS_SUCCESS);
    harness.ClearTrace();
    auto surprise = harness.Pnp(IRP_MN_SURPRISE_REMOVAL);
    EXPECT_EQ(surprise.status, STATUS_SUCCESS);
    EXPECT_EQ(harness.TraceLines(),
              std::vector<std::string>{"USBCTRL: DispatchPnP - IRP_MN_SURPRISE_REMOVAL"});
    std::vector<UCHAR> minors = harness.Lower().PnpMinors();
    EXPECT_EQ(minors.back(), IRP_MN_SURPRISE_REMOVAL);

    EXPECT_EQ(harness.Remove().status, STATUS_SUCCESS);
    EXPECT_EQ(harness.Host().Pool().OutstandingTotal(), 0u);
    EXPECT_TRUE(harness.Host().Violations().empty());
}

// Surprise removal, then removal, which waits for a read still in the
// driver until Finish() lets the device go.
class RemovalBehindARead {
public:
    explicit RemovalBehindARead(StackHarness& harness) : harness_(harness) {
        reader_ = StartRead(harness_, &readResult_);
        EXPECT_TRUE(harness_.Lower().WaitForWaitingIn(5000));
        EXPECT_EQ(harness_.Pnp(IRP_MN_SURPRISE_REMOVAL).status, STATUS_SUCCESS);
        remover_ = std::thread([this] {
            harness_.Remove();
            removed_ = true;
        });
        for (int i = 0; i < 500 && LineStartingWith(harness_.TraceLines(),
                                                    "USBCTRL: DispatchPnP - IRP_MN_REMOVE") == "";
             ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    ~RemovalBehindARead() {
        if (reader_.joinable()) {
            Finish();
        }
    }

    // The device goes: the read fails, and only then is the device object deleted.
    void Finish() {
        harness_.Lower().FailWaitingIn(STATUS_DEVICE_NOT_CONNECTED);
        reader_.join();
        remover_.join();
    }

    bool Removed() const { return removed_; }
    NTSTATUS ReadStatus() const { return readResult_.status; }

private:
    StackHarness& harness_;
    kernel::RequestResult readResult_;
    std::atomic<bool> removed_{false};
    std::thread reader_;
    std::thread remover_;
};

TEST(PnpTest, RemovalWaitsForARequestStillInTheDriver) {
    StackHarness harness;
    ASSERT_EQ(harness.AddAndStart(), STATUS_SUCCESS);
    ASSERT_EQ(harness.Create().status, STATUS_SUCCESS);
    RemovalBehindARead removal(harness);
    EXPECT_FALSE(removal.Removed());

    // A request arriving now is refused.
    USBCTRL_VERSION_INFO version{};
    EXPECT_EQ(
        harness.IoControl(IOCTRL_GET_DRIVER_VERSION, nullptr, 0, &version, sizeof(version)).status,
        STATUS_DELETE_PENDING);
    EXPECT_FALSE(removal.Removed());

    removal.Finish();
    EXPECT_TRUE(removal.Removed());
    EXPECT_EQ(removal.ReadStatus(), STATUS_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(harness.Host().Pool().OutstandingTotal(), 0u);
    EXPECT_TRUE(harness.Host().Violations().empty());
}

class CloseDuringRemoval : public ::testing::TestWithParam<WindowsGeneration> {};

// The handle is still open when the device is pulled; its close comes while
// removal is under way and must not be refused like other requests.
TEST_P(CloseDuringRemoval, CloseIsNotRefusedWithDeletePending) {
    StackHarness harness(GetParam());
    ASSERT_EQ(harness.AddAndStart(), STATUS_SUCCESS);
    ASSERT_EQ(harness.Create().status, STATUS_SUCCESS);
    RemovalBehindARead removal(harness);
    EXPECT_EQ(harness.Close().status, STATUS_SUCCESS);
    EXPECT_FALSE(removal.Removed());

    removal.Finish();
    EXPECT_TRUE(removal.Removed());
    EXPECT_EQ(harness.Host().Pool().OutstandingTotal(), 0u);
    EXPECT_TRUE(harness.Host().Violations().empty());
}

INSTANTIATE_TEST_SUITE_P(Generations, CloseDuringRemoval,
                         ::testing::Values(WindowsGeneration::Win2000, WindowsGeneration::WinXp));

TEST(PnpTest, CreateAndCloseKeepNoState) {
    StackHarness harness;
    ASSERT_EQ(harness.AddAndStart(), STATUS_SUCCESS);
    harness.ClearTrace();
    for (int i = 0; i < 3; ++i) {
        auto created = harness.Create();
        EXPECT_EQ(created.status, STATUS_SUCCESS);
        EXPECT_EQ(created.information, 0u);
    }
    EXPECT_EQ(harness.Close().status, STATUS_SUCCESS);
    auto lines = harness.TraceLines();
    EXPECT_EQ(CountLines(lines, "USBCTRL: DispatchCreate"), 3u);
    EXPECT_EQ(CountLines(lines, "USBCTRL: DispatchClose"), 1u);
}

}  // namespace
}  // namespace corvane::drivertest
