// The emulated usbfs through its ioctls directly, for what libusb does not
// exercise: blocking REAPURB, reaping after a departure, and closing with
// transfers in flight.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "UsbfsFixture.h"
#include "sim/usbfs/UsbfsAbi.h"

namespace corvane::usbfs::testing {
namespace {

// One open descriptor on a projector's node.
class RawNode {
public:
    explicit RawNode(const std::string& devnode) : fd_(open(devnode.c_str(), O_RDWR)) {}
    ~RawNode() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    RawNode(const RawNode&) = delete;
    RawNode& operator=(const RawNode&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // 0, or the errno of the failed ioctl.
    template <typename Argument>
    int Ioctl(unsigned long request, Argument argument) {
        return ioctl(fd_, request, argument) < 0 ? errno : 0;
    }
    int Claim(unsigned number) { return Ioctl(USBDEVFS_CLAIMINTERFACE, &number); }
    int Submit(usbdevfs_urb& urb) { return Ioctl(USBDEVFS_SUBMITURB, &urb); }
    int Reap(usbdevfs_urb** urb, bool wait) {
        return Ioctl(wait ? USBDEVFS_REAPURB : USBDEVFS_REAPURBNDELAY, urb);
    }
    // REAPURBNDELAY until something comes: 0, ETIMEDOUT, or another errno.
    int ReapWithin(usbdevfs_urb** urb, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const int error = Reap(urb, false);
            if (error != EAGAIN) {
                return error;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                return ETIMEDOUT;
            }
            std::this_thread::sleep_for(5ms);
        }
    }

private:
    int fd_;
};

usbdevfs_urb Bulk(uint8_t endpoint, std::vector<uint8_t>& buffer, unsigned flags = 0) {
    usbdevfs_urb urb{};
    urb.type = USBDEVFS_URB_TYPE_BULK;
    urb.endpoint = endpoint;
    urb.flags = flags;
    urb.buffer = buffer.data();
    urb.buffer_length = static_cast<int>(buffer.size());
    return urb;
}

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

class RawUsbfsTest : public UsbfsTest {
protected:
    void SetUp() override {
        UsbfsTest::SetUp();
        projector_ = &Plug();
        node_ = std::make_unique<RawNode>(Emulation().NodePath(*projector_));
        ASSERT_TRUE(node_->IsOpen());
    }
    void TearDown() override {
        node_.reset();
        UsbfsTest::TearDown();
    }
    std::string Attribute(const std::string& name) {
        std::ifstream file(Emulation().RootDir() + sysfs_ + "/" + name);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }
    // sysfs is updated on the emulation's hub thread: wait for it.
    bool WaitForAttribute(const std::string& name, const std::string& value) {
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (Attribute(name) != value) {
            if (std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }

    sim::VirtualProjector* projector_ = nullptr;
    std::unique_ptr<RawNode> node_;
    std::string sysfs_;
};

TEST_F(RawUsbfsTest, BlockingReapWaitsForTheReply) {
    ASSERT_EQ(node_->Claim(0), 0);
    std::vector<uint8_t> in(64);
    usbdevfs_urb read = Bulk(kIn, in);
    ASSERT_EQ(node_->Submit(read), 0);
    usbdevfs_urb* reaped = nullptr;
    EXPECT_EQ(node_->Reap(&reaped, false), EAGAIN);

    std::vector<uint8_t> out = Bytes("Sync\r");
    usbdevfs_urb write = Bulk(kOut, out);
    ASSERT_EQ(node_->Submit(write), 0);
    ASSERT_EQ(node_->Reap(&reaped, true), 0);
    EXPECT_EQ(reaped, &write);
    EXPECT_EQ(write.status, 0);
    EXPECT_EQ(write.actual_length, 5);
    ASSERT_EQ(node_->Reap(&reaped, true), 0);
    EXPECT_EQ(reaped, &read);
    EXPECT_EQ(read.status, 0);
    ASSERT_EQ(read.actual_length, 1);
    EXPECT_EQ(in[0], kAck);
}

TEST_F(RawUsbfsTest, AfterUnplugOnlyReapingWorks) {
    std::vector<uint8_t> in(64);
    usbdevfs_urb read = Bulk(kIn, in);
    ASSERT_EQ(node_->Submit(read), 0);
    projector_->Unplug();
    ASSERT_TRUE(Emulation().WaitUntilPresent(*projector_, false, kPresence));
    usbdevfs_urb* reaped = nullptr;
    ASSERT_EQ(node_->Reap(&reaped, true), 0);
    EXPECT_EQ(reaped, &read);
    EXPECT_EQ(read.status, -ESHUTDOWN);
    EXPECT_EQ(node_->Reap(&reaped, true), ENODEV);
    EXPECT_EQ(node_->Reap(&reaped, false), ENODEV);
    usbdevfs_urb again = Bulk(kIn, in);
    EXPECT_EQ(node_->Submit(again), ENODEV);
    uint32_t capabilities = 0;
    EXPECT_EQ(node_->Ioctl(USBDEVFS_GET_CAPABILITIES, &capabilities), ENODEV);
    EXPECT_EQ(node_->Claim(0), ENODEV);
}

TEST_F(RawUsbfsTest, BlockingReapEndsWhenTheDeviceLeaves) {
    std::thread unplug([this] {
        std::this_thread::sleep_for(100ms);
        projector_->Unplug();
    });
    usbdevfs_urb* reaped = nullptr;
    EXPECT_EQ(node_->Reap(&reaped, true), ENODEV);
    unplug.join();
}

TEST_F(RawUsbfsTest, ClosingDropsQueuedTransfersAndKeepsWhatTheDeviceSent) {
    ASSERT_EQ(node_->Claim(0), 0);
    // The first read waits in the device; the second is queued behind it.
    std::vector<uint8_t> first(64);
    std::vector<uint8_t> second(64);
    usbdevfs_urb waiting = Bulk(kIn, first);
    usbdevfs_urb queued = Bulk(kIn, second);
    ASSERT_EQ(node_->Submit(waiting), 0);
    ASSERT_EQ(node_->Submit(queued), 0);
    node_.reset();

    RawNode other(Emulation().NodePath(*projector_));
    ASSERT_TRUE(other.IsOpen());
    // The interface went with the closed descriptor.
    EXPECT_EQ(other.Claim(0), 0);
    std::vector<uint8_t> send = Bytes("Sync\r");
    usbdevfs_urb sync = Bulk(kOut, send);
    ASSERT_EQ(other.Submit(sync), 0);
    usbdevfs_urb* reaped = nullptr;
    ASSERT_EQ(other.ReapWithin(&reaped, 2s), 0);
    EXPECT_EQ(reaped, &sync);
    // The abandoned read took the reply out of the device; it is kept for
    // the next read, which the dropped one must not have taken.
    std::vector<uint8_t> reply(64);
    usbdevfs_urb next = Bulk(kIn, reply);
    ASSERT_EQ(other.Submit(next), 0);
    ASSERT_EQ(other.ReapWithin(&reaped, 2s), 0);
    EXPECT_EQ(reaped, &next);
    ASSERT_EQ(next.actual_length, 1);
    EXPECT_EQ(reply[0], kAck);
}

}  // namespace
}  // namespace corvane::usbfs::testing
