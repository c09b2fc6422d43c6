// The device node's mode as another user meets it: a 0600 node owned by root
// refuses a normal user's open (libusb: LIBUSB_ERROR_ACCESS), a 0666 one lets
// it in. Root ignores modes, so the test runs the client as "nobody"; it
// needs root for that.
#include <unistd.h>

#include "ChildProcess.h"
#include "UsbfsFixture.h"

namespace corvane::usbfs::testing {
namespace {

class AccessTest : public UsbfsTest {
protected:
    void SetUp() override {
        if (geteuid() != 0) {
            GTEST_SKIP() << "needs root to run a client as another user";
        }
        UsbfsTest::SetUp();
    }
    ChildResult Lister(const std::string& what, const sim::VirtualProjector& projector,
                       const std::string& user) {
        return RunChild(
            {CORVANE_USBFS_LISTER, what, "1", std::to_string(Emulation().DeviceNumber(projector))},
            user);
    }
};

TEST_F(AccessTest, NormalUserIsRefusedANodeOnlyRootMayOpen) {
    EmulatedPort closed = OnPort("1-1");
    closed.nodeMode = 0600;
    sim::VirtualProjector& projector = Plug({}, closed);
    const ChildResult refused = Lister("open", projector, "nobody");
    EXPECT_EQ(refused.status, 1) << refused.output;
    EXPECT_EQ(refused.output, "LIBUSB_ERROR_ACCESS\n");
    const ChildResult root = Lister("open", projector, "");
    EXPECT_EQ(root.status, 0) << root.output;
    EXPECT_EQ(root.output, "ok\n");
}

TEST_F(AccessTest, NormalUserTalksThroughAnOpenNode) {
    sim::VirtualProjector& projector = Plug({}, OnPort("1-2"));
    const ChildResult result = Lister("sync", projector, "nobody");
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_EQ(result.output, "06\n");
}

}  // namespace
}  // namespace corvane::usbfs::testing
