// Device interfaces: registered per physical device object and class, named
// by a symbolic link ("\??\USB#VID_0547&PID_1002#3#{90247d63-...}"), enabled
// and disabled by the driver, listed for the program ("\\?\USB#..."), and
// announced to registered listeners. Listeners are called on the Plug and
// Play thread, after the request that changed the state.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/kernel/ddk/wdm.h"

namespace corvane::kernel {

class KernelHost;

std::string GuidText(const GUID& guid);  // lower case, in braces
bool SameGuid(const GUID& a, const GUID& b);

using InterfaceListener = std::function<void(const std::string& path, bool arrived)>;

class DeviceInterfaces {
public:
    explicit DeviceInterfaces(KernelHost& host);

    // The bus names its physical device objects ("USB#VID_0547&PID_1002#3").
    void SetInstanceName(PDEVICE_OBJECT pdo, std::u16string name);
    // Disables (with notification) and forgets every interface of the device.
    void ForgetDevice(PDEVICE_OBJECT pdo);

    NTSTATUS Register(PDEVICE_OBJECT pdo, const GUID& interfaceClass,
                      const UNICODE_STRING* referenceString, std::u16string* link);
    NTSTATUS SetState(std::u16string_view link, bool enable);

    // Program side: paths as SetupDi gives them ("\\?\USB#...").
    std::vector<std::string> Present(const GUID& interfaceClass) const;
    // The device of an enabled interface with this path ("\\?\" or "\??\"
    // form, any case); null if none.
    PDEVICE_OBJECT FindEnabled(std::string_view path) const;
    bool IsEnabled(std::string_view path) const;

    std::string AddForeign(const GUID& interfaceClass);
    void RemoveForeign(const std::string& path);

    int Listen(const GUID& interfaceClass, InterfaceListener listener);
    // After it returns the listener is not called again (unless called from
    // inside that listener, which then finishes).
    void Unlisten(int id);
    // Runs on the Plug and Play thread: calls the listeners for queued changes.
    void DeliverNotifications();

private:
    struct Interface {
        PDEVICE_OBJECT pdo;  // null for foreign devices
        GUID interfaceClass;
        std::u16string link;  // "\??\..."
        bool enabled = false;
    };
    struct Change {
        GUID interfaceClass;
        std::string path;
        bool arrived;
    };
    struct Listener {
        GUID interfaceClass;
        InterfaceListener callback;
    };

    Interface* FindLocked(std::u16string_view link);
    const Interface* FindByPathLocked(std::string_view path) const;
    void QueueChangeLocked(const Interface& entry, bool arrived);

    KernelHost& host_;
    mutable std::mutex mutex_;
    std::map<PDEVICE_OBJECT, std::u16string> names_;
    std::vector<Interface> interfaces_;
    std::deque<Change> changes_;
    int foreignCount_ = 0;

    std::vector<int> pendingUnlisten_;  // guarded by mutex_

    std::recursive_mutex listenersMutex_;  // held while a listener runs
    std::map<int, Listener> listeners_;
    int nextListener_ = 1;
};

}  // namespace corvane::kernel
