#include "sim/usbfs/InterfaceOwners.h"

#include <cerrno>

#include "sim/usbfs/UsbfsAbi.h"

namespace corvane::usbfs {

void InterfaceOwners::Reset(const std::vector<uint8_t>& interfaces, InterfaceHolders holders) {
    interfaces_.clear();
    for (uint8_t number : interfaces) {
        Interface& entry = interfaces_[number];
        if (number == 0 && holders.kernelDriver) {
            entry.holder = Holder::KernelDriver;
            entry.hadKernelDriver = true;
        } else if (holders.otherProgram) {
            entry.holder = Holder::OtherProgram;
        }
    }
}

int InterfaceOwners::Claim(FileId file, uint8_t number) {
    const auto it = interfaces_.find(number);
    if (it == interfaces_.end()) {
        return ENOENT;
    }
    Interface& entry = it->second;
    if (entry.holder == Holder::File && entry.file == file) {
        return 0;
    }
    if (entry.holder != Holder::None) {
        return EBUSY;
    }
    entry.holder = Holder::File;
    entry.file = file;
    return 0;
}

int InterfaceOwners::Release(FileId file, uint8_t number) {
    if (!HeldBy(file, number)) {
        return EINVAL;
    }
    interfaces_[number].holder = Holder::None;
    return 0;
}

void InterfaceOwners::ReleaseAll(FileId file) {
    for (auto& [number, entry] : interfaces_) {
        if (entry.holder == Holder::File && entry.file == file) {
            entry.holder = Holder::None;
        }
    }
}

bool InterfaceOwners::HeldBy(FileId file, uint8_t number) const {
    const auto it = interfaces_.find(number);
    return it != interfaces_.end() && it->second.holder == Holder::File && it->second.file == file;
}

bool InterfaceOwners::AnyHeld() const {
    for (const auto& [number, entry] : interfaces_) {
        if (entry.holder != Holder::None) {
            return true;
        }
    }
    return false;
}

int InterfaceOwners::DriverName(uint8_t number, std::string* name) const {
    const auto it = interfaces_.find(number);
    if (it == interfaces_.end() || it->second.holder == Holder::None) {
        return ENODATA;
    }
    *name = it->second.holder == Holder::KernelDriver ? kKernelDriverName : kUsbfsDriverName;
    return 0;
}

int InterfaceOwners::Disconnect(uint8_t number) {
    const auto it = interfaces_.find(number);
    if (it == interfaces_.end()) {
        return EINVAL;
    }
    if (it->second.holder == Holder::None) {
        return ENODATA;
    }
    it->second.holder = Holder::None;
    return 0;
}

int InterfaceOwners::Connect(uint8_t number, bool* bound) {
    *bound = false;
    const auto it = interfaces_.find(number);
    if (it == interfaces_.end()) {
        return EINVAL;
    }
    if (it->second.holder != Holder::None) {
        return EBUSY;
    }
    if (it->second.hadKernelDriver) {
        it->second.holder = Holder::KernelDriver;
        *bound = true;
    }
    return 0;
}

int InterfaceOwners::DisconnectAndClaim(FileId file, uint8_t number, unsigned flags,
                                        const std::string& driver) {
    std::string current;
    if (interfaces_.count(number) == 0) {
        return EINVAL;
    }
    if (DriverName(number, &current) == 0) {
        if ((flags & USBDEVFS_DISCONNECT_CLAIM_IF_DRIVER) != 0 && current != driver) {
            return EBUSY;
        }
        if ((flags & USBDEVFS_DISCONNECT_CLAIM_EXCEPT_DRIVER) != 0 && current == driver) {
            return EBUSY;
        }
        interfaces_[number].holder = Holder::None;
    }
    return Claim(file, number);
}

}  // namespace corvane::usbfs
