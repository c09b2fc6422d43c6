#include "platform/kernel/DeviceInterfaces.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/kernel/KernelHost.h"
#include "platform/kernel/PnpManager.h"
#include "platform/kernel/Utf16.h"

namespace corvane::kernel {

namespace {

std::string LinkToPath(std::u16string_view link) {
    // "\??\X" in the kernel is "\\?\X" for the program.
    std::string text = Utf16ToUtf8(link);
    if (text.rfind("\\??\\", 0) == 0) {
        text = "\\\\?\\" + text.substr(4);
    }
    return text;
}

std::string Normalised(std::string_view path) {
    std::string text(path);
    if (text.rfind("\\\\?\\", 0) == 0 || text.rfind("\\??\\", 0) == 0) {
        text = text.substr(4);
    }
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

}  // namespace

std::string GuidText(const GUID& guid) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}",
                  static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                  guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                  guid.Data4[6], guid.Data4[7]);
    return text;
}

bool SameGuid(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

DeviceInterfaces::DeviceInterfaces(KernelHost& host) : host_(host) {}

void DeviceInterfaces::SetInstanceName(PDEVICE_OBJECT pdo, std::u16string name) {
    std::lock_guard lock(mutex_);
    names_[pdo] = std::move(name);
}

void DeviceInterfaces::ForgetDevice(PDEVICE_OBJECT pdo) {
    bool queued = false;
    {
        std::lock_guard lock(mutex_);
        for (auto it = interfaces_.begin(); it != interfaces_.end();) {
            if (it->pdo == pdo) {
                if (it->enabled) {
                    QueueChangeLocked(*it, false);
                    queued = true;
                }
                it = interfaces_.erase(it);
            } else {
                ++it;
            }
        }
        names_.erase(pdo);
    }
    if (queued) {
        host_.Pnp().Post([this] { DeliverNotifications(); });
    }
}

NTSTATUS DeviceInterfaces::Register(PDEVICE_OBJECT pdo, const GUID& interfaceClass,
                                    const UNICODE_STRING* referenceString, std::u16string* link) {
    NTSTATUS injected;
    if (host_.Faults().TakeRegisterInterfaceFailure(&injected)) {
        return injected;
    }
    std::lock_guard lock(mutex_);
    auto name = names_.find(pdo);
    if (name == names_.end()) {
        return STATUS_INVALID_DEVICE_REQUEST;  // not a physical device object
    }
    std::u16string text = u"\\??\\" + name->second + u"#" + Utf8ToUtf16(GuidText(interfaceClass));
    if (referenceString != nullptr && referenceString->Buffer != nullptr &&
        referenceString->Length > 0) {
        text += u"\\";
        text.append(referenceString->Buffer, referenceString->Length / 2);
    }
    if (FindLocked(text) == nullptr) {
        interfaces_.push_back(Interface{pdo, interfaceClass, text, false});
    }
    *link = text;
    return STATUS_SUCCESS;
}

DeviceInterfaces::Interface* DeviceInterfaces::FindLocked(std::u16string_view link) {
    for (Interface& entry : interfaces_) {
        if (CompareUtf16(entry.link, link, true) == 0) {
            return &entry;
        }
    }
    return nullptr;
}

const DeviceInterfaces::Interface* DeviceInterfaces::FindByPathLocked(std::string_view path) const {
    std::string wanted = Normalised(path);
    for (const Interface& entry : interfaces_) {
        if (Normalised(LinkToPath(entry.link)) == wanted) {
            return &entry;
        }
    }
    return nullptr;
}

NTSTATUS DeviceInterfaces::SetState(std::u16string_view link, bool enable) {
    {
        std::lock_guard lock(mutex_);
        Interface* entry = FindLocked(link);
        if (entry == nullptr) {
            return STATUS_OBJECT_NAME_NOT_FOUND;
        }
        if (entry->enabled == enable) {
            return enable ? STATUS_OBJECT_NAME_EXISTS : STATUS_SUCCESS;
        }
        entry->enabled = enable;
        QueueChangeLocked(*entry, enable);
    }
    host_.Pnp().Post([this] { DeliverNotifications(); });
    return STATUS_SUCCESS;
}

void DeviceInterfaces::QueueChangeLocked(const Interface& entry, bool arrived) {
    changes_.push_back(Change{entry.interfaceClass, LinkToPath(entry.link), arrived});
}

std::vector<std::string> DeviceInterfaces::Present(const GUID& interfaceClass) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> paths;
    for (const Interface& entry : interfaces_) {
        if (entry.enabled && SameGuid(entry.interfaceClass, interfaceClass)) {
            paths.push_back(LinkToPath(entry.link));
        }
    }
    return paths;
}

PDEVICE_OBJECT DeviceInterfaces::FindEnabled(std::string_view path) const {
    std::lock_guard lock(mutex_);
    const Interface* entry = FindByPathLocked(path);
    return entry != nullptr && entry->enabled ? entry->pdo : nullptr;
}

bool DeviceInterfaces::IsEnabled(std::string_view path) const {
    std::lock_guard lock(mutex_);
    const Interface* entry = FindByPathLocked(path);
    return entry != nullptr && entry->enabled;
}

std::string DeviceInterfaces::AddForeign(const GUID& interfaceClass) {
    std::string path;
    {
        std::lock_guard lock(mutex_);
        ++foreignCount_;
        std::u16string link = u"\\??\\HID#VID_0000&PID_0000#" +
                              Utf8ToUtf16(std::to_string(foreignCount_)) + u"#" +
                              Utf8ToUtf16(GuidText(interfaceClass));
        interfaces_.push_back(Interface{nullptr, interfaceClass, link, true});
        QueueChangeLocked(interfaces_.back(), true);
        path = LinkToPath(link);
    }
    host_.Pnp().Post([this] { DeliverNotifications(); });
    return path;
}

void DeviceInterfaces::RemoveForeign(const std::string& path) {
    {
        std::lock_guard lock(mutex_);
        const Interface* entry = FindByPathLocked(path);
        if (entry == nullptr || entry->pdo != nullptr) {
            return;
        }
        QueueChangeLocked(*entry, false);
        interfaces_.erase(interfaces_.begin() + (entry - interfaces_.data()));
    }
    host_.Pnp().Post([this] { DeliverNotifications(); });
}

int DeviceInterfaces::Listen(const GUID& interfaceClass, InterfaceListener listener) {
    std::lock_guard lock(listenersMutex_);
    int id = nextListener_++;
    listeners_.emplace(id, Listener{interfaceClass, std::move(listener)});
    return id;
}

void DeviceInterfaces::Unlisten(int id) {
    if (host_.Pnp().OnPnpThread()) {
        // Possibly inside a delivery, which iterates the listeners: drop it later.
        std::lock_guard lock(mutex_);
        pendingUnlisten_.push_back(id);
        return;
    }
    std::lock_guard lock(listenersMutex_);
    listeners_.erase(id);
}

void DeviceInterfaces::DeliverNotifications() {
    std::lock_guard deliver(listenersMutex_);
    for (;;) {
        Change change;
        std::vector<int> dropped;
        {
            std::lock_guard lock(mutex_);
            dropped.swap(pendingUnlisten_);
            if (changes_.empty() && dropped.empty()) {
                return;
            }
            if (!changes_.empty()) {
                change = changes_.front();
                changes_.pop_front();
            } else {
                change.path.clear();
            }
        }
        for (int id : dropped) {
            listeners_.erase(id);
        }
        if (change.path.empty()) {
            continue;
        }
        for (auto& [id, listener] : listeners_) {
            if (!SameGuid(listener.interfaceClass, change.interfaceClass)) {
                continue;
            }
            {
                std::lock_guard lock(mutex_);
                if (std::find(pendingUnlisten_.begin(), pendingUnlisten_.end(), id) !=
                    pendingUnlisten_.end()) {
                    continue;
                }
            }
            listener.callback(change.path, change.arrived);
        }
    }
}

}  // namespace corvane::kernel
