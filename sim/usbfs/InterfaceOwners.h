// Who holds each interface of the active configuration, with the kernel's
// rules for claiming, releasing, and unbinding a driver through usbfs. An
// interface is free, claimed through usbfs (by one of our open files, or by
// another program) or bound to a kernel driver. Results are 0 or an errno.
// Not thread-safe: the device session guards it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace corvane::usbfs {

using FileId = uint64_t;

inline constexpr const char* kUsbfsDriverName = "usbfs";
inline constexpr const char* kKernelDriverName = "usbhid";

struct InterfaceHolders {
    bool otherProgram = false;  // every interface is claimed by someone else
    bool kernelDriver = false;  // interface 0 is bound to a kernel driver
};

class InterfaceOwners {
public:
    // The interfaces of a newly selected configuration (none: unconfigured),
    // held as `holders` says.
    void Reset(const std::vector<uint8_t>& interfaces, InterfaceHolders holders);

    int Claim(FileId file, uint8_t number);    // ENOENT, EBUSY
    int Release(FileId file, uint8_t number);  // EINVAL unless `file` holds it
    void ReleaseAll(FileId file);
    bool HeldBy(FileId file, uint8_t number) const;
    // Something holds at least one interface (a configuration change is refused).
    bool AnyHeld() const;

    // The holder's driver name: "usbfs" for a claim; ENODATA when free or absent.
    int DriverName(uint8_t number, std::string* name) const;
    // USBDEVFS_DISCONNECT: unbinds whatever holds it. EINVAL without the
    // interface, ENODATA when it is free.
    int Disconnect(uint8_t number);
    // USBDEVFS_CONNECT: binds the kernel driver again where there was one
    // (*bound tells). EINVAL without the interface, EBUSY while something
    // holds it.
    int Connect(uint8_t number, bool* bound);
    // USBDEVFS_DISCONNECT_CLAIM: unbinds the holder unless `flags` exclude its
    // driver by name, then claims for `file`.
    int DisconnectAndClaim(FileId file, uint8_t number, unsigned flags, const std::string& driver);

private:
    enum class Holder { None, File, OtherProgram, KernelDriver };
    struct Interface {
        Holder holder = Holder::None;
        FileId file = 0;
        bool hadKernelDriver = false;
    };

    std::map<uint8_t, Interface> interfaces_;
};

}  // namespace corvane::usbfs
