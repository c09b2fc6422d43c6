#include "DeviceAccessDouble.h"

#include <cstring>

namespace corvane::test {

namespace {

constexpr uint8_t kInEndpoint = 0x81;
constexpr uint8_t kOutEndpoint = 0x02;

usb::SetupPacket GetDescriptor(uint8_t type, uint8_t index, uint16_t language, uint16_t length) {
    return usb::SetupPacket{0x80, usb::kRequestGetDescriptor,
                            static_cast<uint16_t>(type << 8 | index), language, length};
}

// Reads string descriptor index into a UTF-16 field of 256 units.
void ReadString(usb::UsbDevice& device, uint8_t index, uint16_t* field) {
    if (index == 0) {
        return;
    }
    uint8_t buffer[255] = {};
    uint32_t got = 0;
    if (device.ControlTransfer(GetDescriptor(usb::kDescriptorString, index, 0x0409, 255), buffer,
                               &got) != usb::UsbResult::Ok ||
        got < 2) {
        return;
    }
    const uint32_t units = (got - 2) / 2;
    for (uint32_t i = 0; i < units && i < USBCTRL_STRING_UNITS - 1; ++i) {
        field[i] = static_cast<uint16_t>(buffer[2 + 2 * i] | buffer[3 + 2 * i] << 8);
    }
}

}  // namespace

std::vector<std::string> DeviceAccessDouble::PresentInterfaces(const UsbCtrlGuid& interfaceClass) {
    if (!UsbCtrlGuidEqual(interfaceClass, USBCTRL_GUID) || !device_.IsAttached()) {
        return {};
    }
    return {kDoublePath};
}

platform::DeviceHandle DeviceAccessDouble::Open(const char* path) {
    if (path == nullptr || std::strcmp(path, kDoublePath) != 0 || !device_.IsAttached()) {
        return platform::kInvalidDeviceHandle;
    }
    const usb::SetupPacket setConfiguration{0x00, usb::kRequestSetConfiguration, 1, 0, 0};
    if (device_.ControlTransfer(setConfiguration, nullptr, nullptr) != usb::UsbResult::Ok) {
        return platform::kInvalidDeviceHandle;
    }
    std::lock_guard lock(mutex_);
    ++open_;
    return kHandle;
}

void DeviceAccessDouble::Close(platform::DeviceHandle handle) {
    std::lock_guard lock(mutex_);
    if (handle == kHandle && open_ > 0) {
        --open_;
    }
}

bool DeviceAccessDouble::IoControl(platform::DeviceHandle handle, uint32_t code, const void* in,
                                   uint32_t inSize, void* out, uint32_t outSize,
                                   uint32_t* bytesReturned) {
    {
        std::lock_guard lock(mutex_);
        if (handle != kHandle || open_ == 0) {
            return false;
        }
    }
    uint32_t returned = 0;
    bool ok = false;
    if (code == IOCTRL_WRITE_DATA && in != nullptr && inSize >= sizeof(USBCTRL_REQUEST)) {
        USBCTRL_REQUEST request;
        std::memcpy(&request, in, sizeof(request));
        {
            std::lock_guard lock(mutex_);
            writes_.push_back(request);
        }
        uint32_t sent = 0;
        ok = request.Length <= USBCTRL_MAX_WRITE_LENGTH &&
             device_.BulkTransfer(kOutEndpoint, request.Data, request.Length, &sent) ==
                 usb::UsbResult::Ok;
    } else if (code == IOCTRL_READ_DATA && in != nullptr && inSize >= sizeof(USBCTRL_REQUEST)) {
        USBCTRL_REQUEST request;
        std::memcpy(&request, in, sizeof(request));
        ok = Read(request, out, outSize, &returned);
    } else if (code == IOCTRL_GET_PRODUCT_INFO) {
        ok = ProductInfo(out, outSize, &returned);
    }
    if (bytesReturned != nullptr) {
        *bytesReturned = ok ? returned : 0;
    }
    return ok;
}

bool DeviceAccessDouble::Read(const USBCTRL_REQUEST& request, void* out, uint32_t outSize,
                              uint32_t* returned) {
    {
        std::lock_guard lock(mutex_);
        ++reads_;
    }
    if (out == nullptr || outSize < sizeof(USBCTRL_REPLY)) {
        return false;
    }
    USBCTRL_REPLY reply{};
    uint32_t length = request.HCIReadBufferSize;
    if (length > USBCTRL_MAX_READ_LENGTH) {
        length = USBCTRL_MAX_READ_LENGTH;
    }
    uint32_t got = 0;
    if (device_.BulkTransfer(kInEndpoint, reply.Data, length, &got) != usb::UsbResult::Ok) {
        return false;  // nothing copied back
    }
    reply.Status = 0;
    reply.Length = got;
    std::memcpy(out, &reply, sizeof(reply));
    *returned = sizeof(reply);
    return true;
}

bool DeviceAccessDouble::ProductInfo(void* out, uint32_t outSize, uint32_t* returned) {
    if (out == nullptr || outSize < sizeof(USBCTRL_PRODUCT_INFO)) {
        return false;
    }
    uint8_t deviceDescriptor[18] = {};
    uint8_t configDescriptor[9] = {};
    uint32_t got = 0;
    if (device_.ControlTransfer(GetDescriptor(usb::kDescriptorDevice, 0, 0, 18), deviceDescriptor,
                                &got) != usb::UsbResult::Ok ||
        device_.ControlTransfer(GetDescriptor(usb::kDescriptorConfiguration, 0, 0, 9),
                                configDescriptor, &got) != usb::UsbResult::Ok) {
        return false;
    }
    USBCTRL_PRODUCT_INFO info{};
    info.VendorId = static_cast<uint16_t>(deviceDescriptor[8] | deviceDescriptor[9] << 8);
    info.ProductId = static_cast<uint16_t>(deviceDescriptor[10] | deviceDescriptor[11] << 8);
    ReadString(device_, deviceDescriptor[14], info.Manufacturer);
    ReadString(device_, deviceDescriptor[15], info.Product);
    ReadString(device_, deviceDescriptor[16], info.SerialNumber);
    ReadString(device_, configDescriptor[6], info.Configuration);
    std::memcpy(out, &info, sizeof(info));
    *returned = sizeof(info);
    return true;
}

std::vector<USBCTRL_REQUEST> DeviceAccessDouble::WriteRequests() const {
    std::lock_guard lock(mutex_);
    return writes_;
}

std::vector<std::string> DeviceAccessDouble::Writes() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> texts;
    for (const USBCTRL_REQUEST& request : writes_) {
        const uint32_t length =
            request.Length < USBCTRL_MAX_WRITE_LENGTH ? request.Length : USBCTRL_MAX_WRITE_LENGTH;
        texts.emplace_back(reinterpret_cast<const char*>(request.Data), length);
    }
    return texts;
}

int DeviceAccessDouble::ReadRequests() const {
    std::lock_guard lock(mutex_);
    return reads_;
}

}  // namespace corvane::test
