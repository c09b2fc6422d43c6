#include "app/ui/win32/CorvaneMain.h"

#include "app/device/ProjectorDeviceLink.h"
#include "app/ui/Application.h"
#include "app/ui/win32/Win32WindowFactory.h"
#include "platform/win32/SystemServices.h"
#include "platform/win32/Win32System.h"

namespace corvane::win32 {

int RunCorvane(void* instance) {
    Win32System system;
    Win32WindowFactory windows(instance);
    ApplicationPlatform platform;
    // The folder chooser needs COM on the user-interface thread.
    platform.initializeCom = InitializeCom;
    platform.uninitializeCom = UninitializeCom;
    Application application(windows, system.DeviceAccess(),
                            MakeProjectorDeviceLink(system.Notifications()), platform);
    application.Program().debugOutput.SetSink(DebuggerSink());
    return application.Run();
}

}  // namespace corvane::win32
