// The memory of the process whose ioctl is being handled, reached through
// umockdev's IoctlData: resolving a pointer copies the client's bytes over
// the ioctl socket, and local changes are written back when the ioctl
// completes. Handler thread only, while the ioctl is being handled.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "sim/usbfs/Urb.h"

typedef struct _UMockdevIoctlData UMockdevIoctlData;

namespace corvane::usbfs {

// A resolved block of client memory; releases this reference when it goes
// (the parent block keeps its own until the ioctl completes).
class ClientBlock {
public:
    explicit ClientBlock(UMockdevIoctlData* data = nullptr) : data_(data) {}
    ~ClientBlock();
    ClientBlock(ClientBlock&& other) noexcept : data_(other.data_) { other.data_ = nullptr; }
    ClientBlock& operator=(ClientBlock&&) = delete;
    ClientBlock(const ClientBlock&) = delete;

    explicit operator bool() const { return data_ != nullptr; }
    UMockdevIoctlData* Data() const { return data_; }
    uint8_t* Bytes() const;
    template <typename T>
    T* As() const {
        return reinterpret_cast<T*>(Bytes());
    }

private:
    UMockdevIoctlData* data_;
};

// The `length` bytes the pointer at `offset` inside `block` points to;
// empty for a null pointer.
ClientBlock Resolve(UMockdevIoctlData* block, size_t offset, size_t length);

// The ioctl's argument itself (a value such as DISCARDURB's URB address).
uint64_t ArgumentValue(UMockdevIoctlData* argument);

// SUBMITURB's struct usbdevfs_urb with the bytes the device needs: the setup
// packet and OUT data of a control URB, the data of an OUT transfer. An errno
// when the client's pointers are bad.
std::optional<UrbSubmission> ReadSubmission(UMockdevIoctlData* argument, int* error);

// REAPURB: points the client's URB pointer at the completed URB and writes
// its status, length and IN bytes into it.
bool WriteCompletion(UMockdevIoctlData* argument, const UrbCompletion& completion);

}  // namespace corvane::usbfs
