// A program idling in libusb's event loop with a read pending, as a program
// waiting for its projector does. The emulated node is always writable, so
// libusb's poll for POLLOUT never sleeps; the emulation holds back the empty
// REAPURBNDELAY of a quiet file instead, which keeps the loop from spinning.
#include <sys/resource.h>

#include "UsbfsFixture.h"

namespace corvane::usbfs::testing {
namespace {

std::chrono::microseconds ProcessCpu() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec);
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

TEST_F(UsbfsTest, IdlingWithAPendingReadDoesNotSpin) {
    sim::VirtualProjector& projector = Plug();
    libusb_device_handle* handle = OpenAndClaim(projector);
    ASSERT_NE(handle, nullptr);
    AsyncTransfer in(handle, kIn, std::vector<uint8_t>(64));
    ASSERT_EQ(in.Submit(), LIBUSB_SUCCESS);

    const auto before = ProcessCpu();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(HandleEventsUntil([&] { return in.Done(); }, 2s));
    const auto wall = std::chrono::steady_clock::now() - start;
    const auto cpu = ProcessCpu() - before;
    RecordProperty("cpu_ms", static_cast<int>(cpu.count() / 1000));
    // Spinning takes a whole core (the client and the handler thread between
    // them); a quiet loop takes a few per cent.
    EXPECT_LT(cpu, wall / 5) << "CPU " << cpu.count() / 1000 << " ms in "
                             << std::chrono::duration_cast<std::chrono::milliseconds>(wall).count()
                             << " ms";

    // Held back or not, the reply still comes at once.
    const auto sent = std::chrono::steady_clock::now();
    ASSERT_EQ(Send(handle, "Sync\r"), LIBUSB_SUCCESS);
    ASSERT_TRUE(HandleEventsUntil([&] { return in.Done(); }, 1s));
    EXPECT_LT(std::chrono::steady_clock::now() - sent, 200ms);
    EXPECT_EQ(in.Data(), std::vector<uint8_t>{kAck});
}

}  // namespace
}  // namespace corvane::usbfs::testing
