// The usbfs requests the handler serves, each read from the client's memory,
// carried out by the device session and answered as the kernel answers.
#include <umockdev.h>

#include <cerrno>
#include <cstring>

#include "sim/usbfs/ClientMemory.h"
#include "sim/usbfs/IoctlHandler.h"
#include "sim/usbfs/UsbfsAbi.h"

namespace corvane::usbfs {

namespace {

// What the emulated usbfs offers: one URB per transfer whatever its size,
// zero-length packets on request, and completed URBs reapable after the
// device has gone.
constexpr uint32_t kCapabilities =
    USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT;

// The kernel's enum usb_device_speed.
constexpr long kSpeedLow = 1;
constexpr long kSpeedFull = 2;
constexpr long kSpeedHigh = 3;

template <typename T>
bool Read(UMockdevIoctlClient* client, T* value) {
    const ClientBlock block = Resolve(umockdev_ioctl_client_get_arg(client), 0, sizeof(T));
    if (!block) {
        return false;
    }
    std::memcpy(value, block.Bytes(), sizeof(T));
    return true;
}

}  // namespace

IoctlHandler::Answer IoctlHandler::Dispatch(UMockdevIoctlClient* client, Binding& binding,
                                            unsigned long request) {
    if (request == USBDEVFS_REAPURB || request == USBDEVFS_REAPURBNDELAY) {
        return Reap(client, binding, request == USBDEVFS_REAPURB);
    }
    binding.lastActivity = std::chrono::steady_clock::now();
    if (!binding.session || !binding.session->Present()) {
        return Error(ENODEV);
    }
    switch (request) {
        case USBDEVFS_GET_CAPABILITIES:
            return Capabilities(client, binding);
        case USBDEVFS_CLAIMINTERFACE:
        case USBDEVFS_RELEASEINTERFACE:
        case USBDEVFS_CLEAR_HALT:
        case USBDEVFS_RESETEP:
            return InterfaceRequest(client, binding, request);
        case USBDEVFS_SETCONFIGURATION:
            return SetConfiguration(client, binding);
        case USBDEVFS_SETINTERFACE:
            return SetInterface(client, binding);
        case USBDEVFS_RESET:
            return Reset(client, binding);
        case USBDEVFS_IOCTL:
            return DriverControl(client, binding);
        case USBDEVFS_GETDRIVER:
            return GetDriver(client, binding);
        case USBDEVFS_DISCONNECT_CLAIM:
            return DisconnectClaim(client, binding);
        case USBDEVFS_SUBMITURB:
            return Submit(client, binding);
        case USBDEVFS_DISCARDURB:
            return Error(binding.session->Discard(
                binding.file, ArgumentValue(umockdev_ioctl_client_get_arg(client))));
        case USBDEVFS_CONNECTINFO:
            return ConnectInfo(client, binding);
        case USBDEVFS_GET_SPEED:
            return Speed(binding);
        default:
            return Error(ENOTTY);
    }
}

IoctlHandler::Answer IoctlHandler::Capabilities(UMockdevIoctlClient* client, Binding&) {
    const ClientBlock block = Resolve(umockdev_ioctl_client_get_arg(client), 0, sizeof(uint32_t));
    if (!block) {
        return Error(EFAULT);
    }
    std::memcpy(block.Bytes(), &kCapabilities, sizeof(kCapabilities));
    return Result(0);
}

IoctlHandler::Answer IoctlHandler::InterfaceRequest(UMockdevIoctlClient* client, Binding& binding,
                                                    unsigned long request) {
    unsigned value = 0;
    if (!Read(client, &value)) {
        return Error(EFAULT);
    }
    DeviceSession& session = *binding.session;
    switch (request) {
        case USBDEVFS_CLAIMINTERFACE:
            return Error(session.Claim(binding.file, value));
        case USBDEVFS_RELEASEINTERFACE:
            return Error(session.Release(binding.file, value));
        default:
            return Error(session.CheckEndpoint(binding.file, value));
    }
}

IoctlHandler::Answer IoctlHandler::SetConfiguration(UMockdevIoctlClient* client, Binding& binding) {
    int value = 0;
    if (!Read(client, &value)) {
        return Error(EFAULT);
    }
    return Deferred(client, [&](DeviceSession::Done done) {
        return binding.session->SetConfiguration(value, std::move(done));
    });
}

IoctlHandler::Answer IoctlHandler::SetInterface(UMockdevIoctlClient* client, Binding& binding) {
    usbdevfs_setinterface request{};
    if (!Read(client, &request)) {
        return Error(EFAULT);
    }
    return Deferred(client, [&](DeviceSession::Done done) {
        return binding.session->SetInterface(binding.file, request.interface, request.altsetting,
                                             std::move(done));
    });
}

IoctlHandler::Answer IoctlHandler::Reset(UMockdevIoctlClient* client, Binding& binding) {
    return Deferred(
        client, [&](DeviceSession::Done done) { return binding.session->Reset(std::move(done)); });
}

IoctlHandler::Answer IoctlHandler::DriverControl(UMockdevIoctlClient* client, Binding& binding) {
    usbdevfs_ioctl request{};
    if (!Read(client, &request)) {
        return Error(EFAULT);
    }
    if (request.ifno < 0) {
        return Error(EINVAL);
    }
    const auto number = static_cast<unsigned>(request.ifno);
    switch (request.ioctl_code) {
        case USBDEVFS_DISCONNECT:
            return Error(binding.session->DisconnectDriver(number));
        case USBDEVFS_CONNECT: {
            // Like the kernel: 1 when a driver took the interface, 0 when none did.
            bool bound = false;
            const int error = binding.session->ConnectDriver(number, &bound);
            return error != 0 ? Error(error) : Result(bound ? 1 : 0);
        }
        default:
            return Error(ENOTTY);  // no driver behind the interfaces takes ioctls
    }
}

IoctlHandler::Answer IoctlHandler::GetDriver(UMockdevIoctlClient* client, Binding& binding) {
    const ClientBlock block =
        Resolve(umockdev_ioctl_client_get_arg(client), 0, sizeof(usbdevfs_getdriver));
    if (!block) {
        return Error(EFAULT);
    }
    auto* request = block.As<usbdevfs_getdriver>();
    std::string name;
    if (const int error = binding.session->DriverName(request->interface, &name); error != 0) {
        return Error(error);
    }
    std::memset(request->driver, 0, sizeof(request->driver));
    name.copy(request->driver, sizeof(request->driver) - 1);
    return Result(0);
}

IoctlHandler::Answer IoctlHandler::DisconnectClaim(UMockdevIoctlClient* client, Binding& binding) {
    usbdevfs_disconnect_claim request{};
    if (!Read(client, &request)) {
        return Error(EFAULT);
    }
    const std::string driver(request.driver, strnlen(request.driver, sizeof(request.driver)));
    return Error(binding.session->DisconnectAndClaim(binding.file, request.interface, request.flags,
                                                     driver));
}

IoctlHandler::Answer IoctlHandler::Submit(UMockdevIoctlClient* client, Binding& binding) {
    int error = 0;
    auto submission = ReadSubmission(umockdev_ioctl_client_get_arg(client), &error);
    if (!submission) {
        return Error(error);
    }
    return Error(binding.session->Submit(binding.file, std::move(*submission)));
}

IoctlHandler::Answer IoctlHandler::ConnectInfo(UMockdevIoctlClient* client, Binding& binding) {
    const ClientBlock block =
        Resolve(umockdev_ioctl_client_get_arg(client), 0, sizeof(usbdevfs_connectinfo));
    if (!block) {
        return Error(EFAULT);
    }
    auto* info = block.As<usbdevfs_connectinfo>();
    info->devnum = static_cast<unsigned>(binding.session->Identity().deviceNumber);
    info->slow = binding.session->Identity().speedMbps < kFullSpeedMbps ? 1 : 0;
    return Result(0);
}

IoctlHandler::Answer IoctlHandler::Speed(Binding& binding) {
    const int mbps = binding.session->Identity().speedMbps;
    return Result(mbps < kFullSpeedMbps    ? kSpeedLow
                  : mbps == kFullSpeedMbps ? kSpeedFull
                                           : kSpeedHigh);
}

}  // namespace corvane::usbfs
