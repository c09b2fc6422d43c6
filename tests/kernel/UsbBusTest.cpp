// The USB bus below the function driver: descriptor requests, configuration
// selection and pipe handles, bulk transfers with their short-packet rule,
// stalls, stale handles, and a read blocked in the device when it is unplugged.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "common/UsbCtrl.h"
#include "platform/kernel/HostedDeviceAccess.h"
#include "platform/kernel/KernelHost.h"
#include "tests/kernel/FunctionDriverDouble.h"
#include "tests/kernel/UsbDeviceDouble.h"

namespace corvane::kernel::test {
namespace {

class UsbBusTest : public ::testing::Test {
protected:
    UsbBusTest() {
        ResetFunctionDriver();
        host.RegisterDriver(&FunctionDriverEntry);
        host.PlugDevice(device);
        handle = access.Open(access.PresentInterfaces(USBCTRL_GUID).at(0).c_str());
    }
    ~UsbBusTest() override {
        if (handle != platform::kInvalidDeviceHandle) {
            access.Close(handle);
        }
    }

    // A bulk transfer through the driver double; false on a failure status.
    bool Bulk(bool in, uint32_t flags, uint32_t length, BulkReply* reply, bool stale = false,
              const char* data = "") {
        BulkRequest request{};
        request.in = in ? 1 : 0;
        request.flags = flags;
        request.length = length;
        request.stalePipe = stale ? 1 : 0;
        std::memcpy(request.data, data, std::strlen(data));
        *reply = BulkReply{};
        return access.IoControl(handle, kBulkCode, &request, sizeof request, reply, sizeof *reply,
                                nullptr);
    }

    UsbDeviceDouble device;  // outlives the host
    KernelHost host;
    HostedDeviceAccess access{host};
    platform::DeviceHandle handle = platform::kInvalidDeviceHandle;
};

constexpr uint32_t kInShortOk = USBD_TRANSFER_DIRECTION_IN | USBD_SHORT_TRANSFER_OK;

TEST_F(UsbBusTest, StartReadTheDescriptorsAndSelectedTheConfiguration) {
    ASSERT_NE(handle, platform::kInvalidDeviceHandle);
    bool sawConfigurationHead = false;
    bool sawSetConfiguration = false;
    for (const usb::SetupPacket& setup : device.ControlLog()) {
        if (setup.bRequest == usb::kRequestGetDescriptor && setup.wValue == 0x0200 &&
            setup.wLength == 9) {
            sawConfigurationHead = true;
        }
        if (setup.bRequest == usb::kRequestSetConfiguration && setup.wValue == 1) {
            sawSetConfiguration = true;
        }
    }
    EXPECT_TRUE(sawConfigurationHead);
    EXPECT_TRUE(sawSetConfiguration);
    EXPECT_EQ(host.Pool().Outstanding(PoolTag("USBD")), 0u);
    EXPECT_EQ(host.Pool().Outstanding(PoolTag("Tst ")), 0u);
}

TEST_F(UsbBusTest, BulkInReturnsThePacketAndAShortOneWhenAllowed) {
    device.QueueInPacket({'A', 'C', 'K'});
    BulkReply reply;
    EXPECT_TRUE(Bulk(true, kInShortOk, 64, &reply));
    EXPECT_EQ(reply.length, 3u);
    EXPECT_EQ(std::memcmp(reply.data, "ACK", 3), 0);
    device.QueueInPacket({});
    EXPECT_TRUE(Bulk(true, kInShortOk, 64, &reply));
    EXPECT_EQ(reply.length, 0u);
}

TEST_F(UsbBusTest, ShortInWithoutShortTransferOkIsAnError) {
    device.QueueInPacket({'x'});
    BulkReply reply;
    EXPECT_FALSE(Bulk(true, USBD_TRANSFER_DIRECTION_IN, 64, &reply));
    EXPECT_EQ(access.LastStatus(), STATUS_UNSUCCESSFUL);
    EXPECT_EQ(reply.length, 0u);  // a failed request copies nothing back
}

TEST_F(UsbBusTest, BulkOutReachesTheDeviceWhateverTheDirectionFlagSays) {
    BulkReply reply;
    EXPECT_TRUE(Bulk(false, USBD_TRANSFER_DIRECTION_IN, 5, &reply, false, "Sync\r"));
    std::vector<std::vector<uint8_t>> sent = device.OutTransfers();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(std::string(sent[0].begin(), sent[0].end()), "Sync\r");
    EXPECT_TRUE(Bulk(false, 0, 0, &reply));
    EXPECT_EQ(device.OutTransfers().back().size(), 0u);
}

TEST_F(UsbBusTest, StalledTransferFails) {
    device.StallBulk(true);
    BulkReply reply;
    EXPECT_FALSE(Bulk(false, 0, 4, &reply, false, "data"));
    EXPECT_EQ(access.LastStatus(), STATUS_UNSUCCESSFUL);
}

TEST_F(UsbBusTest, PipeHandleOfAnEarlierConfigurationIsRefused) {
    // A second start selects the configuration again; the first IN pipe is stale.
    EXPECT_EQ(host.SendPnpRequest(device, IRP_MN_START_DEVICE).status, STATUS_SUCCESS);
    BulkReply reply;
    EXPECT_FALSE(Bulk(true, kInShortOk, 64, &reply, true));
    EXPECT_EQ(access.LastStatus(), STATUS_INVALID_PARAMETER);
    device.QueueInPacket({'o', 'k'});
    EXPECT_TRUE(Bulk(true, kInShortOk, 64, &reply));
}

TEST_F(UsbBusTest, ReadBlockedInTheDeviceFailsWhenTheDeviceIsUnplugged) {
    BulkReply reply;
    bool succeeded = true;
    NTSTATUS status = STATUS_SUCCESS;
    std::thread reader([&] {
        succeeded = Bulk(true, kInShortOk, 64, &reply);
        status = access.LastStatus();
    });
    device.WaitForBlockedIn(1);
    auto unplugged = std::chrono::steady_clock::now();
    device.Unplug();
    reader.join();
    EXPECT_LT(std::chrono::steady_clock::now() - unplugged, std::chrono::seconds(2));
    EXPECT_FALSE(succeeded);
    EXPECT_EQ(status, STATUS_DEVICE_NOT_CONNECTED);
    // Later transfers fail at once, before reaching the device.
    EXPECT_FALSE(Bulk(true, kInShortOk, 64, &reply));
    EXPECT_EQ(access.LastStatus(), STATUS_DEVICE_NOT_CONNECTED);
    access.Close(handle);
    handle = platform::kInvalidDeviceHandle;
    host.WaitForPnpIdle();
    EXPECT_FALSE(host.DriverLoaded());
    EXPECT_EQ(host.Io().OutstandingIrps(), 0u);
    EXPECT_TRUE(host.Violations().empty());
}

TEST_F(UsbBusTest, ReadFailsAtOnceWhenTakenOffTheBusAndTheDeviceIsLetGo) {
    BulkReply reply;
    bool succeeded = true;
    NTSTATUS status = STATUS_SUCCESS;
    std::thread reader([&] {
        succeeded = Bulk(true, kInShortOk, 64, &reply);
        status = access.LastStatus();
    });
    device.WaitForBlockedIn(1);
    // The bus drops the device without the device noticing an unplug: the
    // request fails, and the port's reset ends the transfer inside the device.
    host.UnplugDevice(device);
    reader.join();
    EXPECT_FALSE(succeeded);
    EXPECT_EQ(status, STATUS_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(device.ConfigurationValue(), 0);
    access.Close(handle);
    handle = platform::kInvalidDeviceHandle;
    host.WaitForPnpIdle();
    EXPECT_FALSE(host.DriverLoaded());
    EXPECT_TRUE(host.Violations().empty());
}

TEST_F(UsbBusTest, AbortPipeFailsTheReadBlockedOnThatPipe) {
    BulkReply reply;
    bool succeeded = true;
    std::atomic<NTSTATUS> status{STATUS_SUCCESS};
    std::thread reader([&] {
        succeeded = Bulk(true, kInShortOk, 64, &reply);
        status = access.LastStatus();
    });
    device.WaitForBlockedIn(1);
    BulkRequest abort{};
    abort.in = 1;
    abort.abortPipe = 1;
    BulkReply abortReply{};
    EXPECT_TRUE(access.IoControl(handle, kBulkCode, &abort, sizeof abort, &abortReply,
                                 sizeof abortReply, nullptr));
    for (int i = 0; i < 2500 && status == STATUS_SUCCESS; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_NE(status, STATUS_SUCCESS) << "the read still waits after the abort";
    if (status == STATUS_SUCCESS) {
        device.Unplug();  // lets the reader go
    }
    reader.join();
    EXPECT_FALSE(succeeded);
    EXPECT_EQ(status, STATUS_CANCELLED);
    EXPECT_TRUE(host.Violations().empty());
}

TEST_F(UsbBusTest, BufferedReadLandsInTheCallersBuffer) {
    device.QueueInPacket({1, 2, 3});
    uint8_t buffer[64];
    std::memset(buffer, 0xAB, sizeof buffer);
    uint32_t read = 0;
    EXPECT_TRUE(access.Read(handle, buffer, sizeof buffer, &read));
    EXPECT_EQ(read, 3u);
    EXPECT_EQ(buffer[2], 3);
    EXPECT_EQ(buffer[3], 0xAB);  // untouched beyond what came
}

TEST_F(UsbBusTest, TransfersOnTwoPipesRunAtTheSameTime) {
    // A read waits in the device while a write on the other pipe goes through.
    BulkReply readReply;
    bool readOk = false;
    std::thread reader([&] { readOk = Bulk(true, kInShortOk, 64, &readReply); });
    device.WaitForBlockedIn(1);
    BulkReply writeReply;
    EXPECT_TRUE(Bulk(false, 0, 1, &writeReply, false, "V"));
    device.QueueInPacket({'7'});
    reader.join();
    EXPECT_TRUE(readOk);
    EXPECT_EQ(readReply.length, 1u);
}

}  // namespace
}  // namespace corvane::kernel::test
