// The whole program in the real Win32 windows over the hosted driver and a
// virtual projector: the projector is found and identified, its platform
// shows in the main window, and the window closes on WM_CLOSE.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "app/device/ProjectorDeviceLink.h"
#include "app/ui/Application.h"
#include "app/ui/WindowMessages.h"
#include "app/ui/win32/Win32WindowFactory.h"
#include "hosted/HostedSystem.h"
#include "tests/win32ui/Win32WindowTestSupport.h"

namespace corvane::win32 {
namespace {

constexpr int kPatienceMs = 30000;

TEST(Win32Program, VirtualProjectorIsIdentifiedInTheRealMainWindow) {
    if (!test::CanCreateWindows()) {
        GTEST_SKIP() << "no display for windows in this session";
    }
    hosted::HostedSystem system;
    system.PlugProjector();
    Win32WindowFactory windows(nullptr);  // this executable's module
    Application application(windows, system.DeviceAccess(),
                            MakeProjectorDeviceLink(system.Notifications()));
    test::WindowSnapshot seen;
    std::thread observer([&] {
        // Ready: the identification is done and Program IDs is usable.
        seen = test::WaitUntilControlEnabled("Corvane v1.6", MainWindowIds::kProgramIds,
                                             MainWindowIds::kPlatformId, MainWindowIds::kStatus,
                                             kPatienceMs);
        // Through the program's own queue, so the run ends even without a window.
        application.MainWindowQueue().Post(WM_CLOSE);
    });
    const int result = application.Run();
    observer.join();
    system.Shutdown();
    EXPECT_EQ(result, 0);
    ASSERT_TRUE(seen.ready) << "the window never became Ready";
    EXPECT_EQ(seen.caption, "Corvane v1.6");
    EXPECT_EQ(seen.firstText, "PJX2000-A1");
    EXPECT_FALSE(seen.secondText.empty());
}

}  // namespace
}  // namespace corvane::win32
