#include "sim/usbfs/ClientMemory.h"

#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "sim/usbfs/UsbfsAbi.h"

namespace corvane::usbfs {

ClientBlock::~ClientBlock() {
    if (data_ != nullptr) {
        g_object_unref(data_);
    }
}

uint8_t* ClientBlock::Bytes() const {
    return data_->data;
}

ClientBlock Resolve(UMockdevIoctlData* block, size_t offset, size_t length) {
    return ClientBlock(umockdev_ioctl_data_resolve(block, offset, length, nullptr));
}

uint64_t ArgumentValue(UMockdevIoctlData* argument) {
    uint64_t value = 0;
    std::memcpy(&value, argument->data, std::min<size_t>(sizeof(value), argument->data_len));
    return value;
}

std::optional<UrbSubmission> ReadSubmission(UMockdevIoctlData* argument, int* error) {
    const ClientBlock block = Resolve(argument, 0, sizeof(usbdevfs_urb));
    if (!block) {
        *error = EFAULT;
        return std::nullopt;
    }
    const usbdevfs_urb* urb = block.As<usbdevfs_urb>();
    if (urb->buffer_length < 0) {
        *error = EINVAL;
        return std::nullopt;
    }
    UrbSubmission submission;
    submission.clientAddress = block.Data()->client_addr;
    submission.type = urb->type;
    submission.endpoint = urb->endpoint;
    submission.flags = urb->flags;
    submission.length = static_cast<uint32_t>(urb->buffer_length);

    // What goes to the device is copied now: the client may reuse nothing
    // until the URB is reaped, but the worker must not reach into it.
    size_t wanted = 0;
    if (submission.length > kMaxUrbBytes) {
        return submission;  // refused with ENOMEM: nothing to copy
    }
    if (submission.type == USBDEVFS_URB_TYPE_CONTROL) {
        wanted = std::min<size_t>(submission.length, kSetupPacketLength + 0xFFFF);
    } else if ((submission.endpoint & 0x80) == 0) {
        wanted = submission.length;
    }
    if (wanted > 0) {
        const ClientBlock buffer = Resolve(block.Data(), offsetof(usbdevfs_urb, buffer), wanted);
        if (!buffer) {
            *error = EFAULT;
            return std::nullopt;
        }
        submission.out.assign(buffer.Bytes(), buffer.Bytes() + wanted);
    } else if (submission.length > 0 && urb->buffer == nullptr) {
        *error = EFAULT;
        return std::nullopt;
    }
    return submission;
}

bool WriteCompletion(UMockdevIoctlData* argument, const UrbCompletion& completion) {
    const ClientBlock slot = Resolve(argument, 0, sizeof(void*));
    if (!slot) {
        return false;
    }
    // REAPURB's argument is where the client wants the URB's address.
    const auto address = static_cast<guint64>(completion.clientAddress);
    guint8 bytes[sizeof(address)];
    std::memcpy(bytes, &address, sizeof(address));
    umockdev_ioctl_data_update(slot.Data(), 0, bytes, sizeof(bytes));
    const ClientBlock urbBlock = Resolve(slot.Data(), 0, sizeof(usbdevfs_urb));
    if (!urbBlock) {
        return false;
    }
    usbdevfs_urb* urb = urbBlock.As<usbdevfs_urb>();
    urb->status = completion.status;
    urb->actual_length = static_cast<int>(completion.actualLength);
    urb->error_count = 0;
    if (completion.in.empty()) {
        return true;
    }
    const size_t skip = completion.type == USBDEVFS_URB_TYPE_CONTROL ? kSetupPacketLength : 0;
    const ClientBlock buffer =
        Resolve(urbBlock.Data(), offsetof(usbdevfs_urb, buffer), skip + completion.in.size());
    if (!buffer) {
        return false;
    }
    std::memcpy(buffer.Bytes() + skip, completion.in.data(), completion.in.size());
    return true;
}

}  // namespace corvane::usbfs
