#include "app/ui/qt/CorvaneMain.h"

#include <cstdio>

#include "app/ui/Application.h"
#include "app/ui/qt/QtWindowFactory.h"

namespace corvane::qt {

namespace {

// No device interface is present: the window waits for a projector.
class NoDevices : public platform::DeviceAccess {
public:
    std::vector<std::string> PresentInterfaces(const UsbCtrlGuid&) override { return {}; }
    platform::DeviceHandle Open(const char*) override { return platform::kInvalidDeviceHandle; }
    bool IoControl(platform::DeviceHandle, uint32_t, const void*, uint32_t, void*, uint32_t,
                   uint32_t*) override {
        return false;
    }
    void Close(platform::DeviceHandle) override {}
};

}  // namespace

int RunCorvane(const QStringList& arguments) {
    for (qsizetype at = 1; at < arguments.size(); ++at) {
        std::fprintf(stderr, "corvane: unknown option %s\n",
                     arguments[at].toLocal8Bit().constData());
        return 2;
    }
    QtWindowFactory windows;
    NoDevices devices;
    Application application(windows, devices, nullptr);
    return application.Run();
}

}  // namespace corvane::qt
