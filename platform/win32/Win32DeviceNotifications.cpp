#include "platform/win32/Win32DeviceNotifications.h"

#include <cstring>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <thread>

// clang-format off
#include "platform/win32/WinApi.h"
#include <dbt.h>
// clang-format on

#include "platform/win32/GuidConversion.h"

namespace corvane::win32 {

namespace {

constexpr char kWindowClass[] = "CorvaneDeviceNotifications";

bool SameGuid(const UsbCtrlGuid& a, const UsbCtrlGuid& b) {
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
}

struct Registration {
    platform::WindowMessageQueue* queue;
    UsbCtrlGuid interfaceClass;
};

}  // namespace

struct Win32DeviceNotifications::Impl {
    std::thread thread;
    HWND window = nullptr;
    // Held while notices are posted, so that after Unregister returns
    // nothing more is posted for the handle.
    std::mutex mutex;
    std::map<platform::DeviceNotifyHandle, Registration> registrations;

    void Run(std::promise<HWND>& created);
    void Announce(WPARAM event, const DEV_BROADCAST_DEVICEINTERFACE_A& notice);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

void Win32DeviceNotifications::Impl::Run(std::promise<HWND>& created) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &Impl::WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kWindowClass;
    // A second instance in the same process finds the class registered.
    RegisterClassA(&windowClass);
    HWND hwnd = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr);
    if (hwnd != nullptr) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    created.set_value(hwnd);
    if (hwnd == nullptr) {
        return;
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageA(&msg);
    }
}

// The class registered with RegisterClassA: notices come as the single-byte
// record (Wine 8: the Unicode one). Its name is bounded by the record's size
// in case the NUL is missing.
void Win32DeviceNotifications::Impl::Announce(WPARAM event,
                                              const DEV_BROADCAST_DEVICEINTERFACE_A& notice) {
    const size_t head = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
    if (notice.dbcc_size <= head) {
        return;
    }
    const std::string path =
        platform::DeviceInterfacePath(notice.dbcc_name, notice.dbcc_size - head);
    const UsbCtrlGuid interfaceClass = FromSystemGuid(notice.dbcc_classguid);
    std::lock_guard lock(mutex);
    for (const auto& [handle, registration] : registrations) {
        if (!SameGuid(registration.interfaceClass, interfaceClass)) {
            continue;
        }
        const platform::LParam copy =
            platform::MakeDeviceInterfaceNotice(interfaceClass, path.c_str());
        if (copy != 0) {  // no memory: the change goes unannounced
            registration.queue->Post(platform::kWindowDeviceChange, event, copy);
        }
    }
}

LRESULT CALLBACK Win32DeviceNotifications::Impl::WindowProc(HWND window, UINT message,
                                                            WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Impl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
        case WM_DEVICECHANGE:
            if (self != nullptr && lParam != 0 &&
                (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE)) {
                const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
                if (header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
                    self->Announce(
                        wParam, *reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(lParam));
                }
            }
            return TRUE;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

Win32DeviceNotifications::Win32DeviceNotifications() : impl_(std::make_unique<Impl>()) {
    std::promise<HWND> created;
    std::future<HWND> window = created.get_future();
    impl_->thread = std::thread([this, &created] { impl_->Run(created); });
    impl_->window = window.get();
}

Win32DeviceNotifications::~Win32DeviceNotifications() {
    std::map<platform::DeviceNotifyHandle, Registration> left;
    {
        std::lock_guard lock(impl_->mutex);
        left.swap(impl_->registrations);
    }
    for (const auto& [handle, registration] : left) {
        UnregisterDeviceNotification(reinterpret_cast<HDEVNOTIFY>(handle));
    }
    if (impl_->window != nullptr) {
        PostMessageA(impl_->window, WM_CLOSE, 0, 0);
    }
    impl_->thread.join();
}

platform::DeviceNotifyHandle Win32DeviceNotifications::Register(platform::WindowMessageQueue& queue,
                                                                const UsbCtrlGuid& interfaceClass) {
    if (impl_->window == nullptr) {
        return platform::kNoDeviceNotify;
    }
    DEV_BROADCAST_DEVICEINTERFACE_A filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = ToSystemGuid(interfaceClass);
    // Outside the lock: the window's thread must never wait for a caller
    // that waits for the system. A change in between is one that came just
    // before the registration.
    HDEVNOTIFY notify =
        RegisterDeviceNotificationA(impl_->window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (notify == nullptr) {
        return platform::kNoDeviceNotify;
    }
    const auto handle = reinterpret_cast<platform::DeviceNotifyHandle>(notify);
    std::lock_guard lock(impl_->mutex);
    impl_->registrations[handle] = Registration{&queue, interfaceClass};
    return handle;
}

bool Win32DeviceNotifications::Unregister(platform::DeviceNotifyHandle handle) {
    {
        std::lock_guard lock(impl_->mutex);
        if (impl_->registrations.erase(handle) == 0) {
            return false;
        }
    }
    UnregisterDeviceNotification(reinterpret_cast<HDEVNOTIFY>(handle));
    return true;
}

uintptr_t Win32DeviceNotifications::WindowHandle() const {
    return reinterpret_cast<uintptr_t>(impl_->window);
}

}  // namespace corvane::win32
