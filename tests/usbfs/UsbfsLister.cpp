// A small libusb client for the tests, run as a separate process under the
// emulated usbfs:
//
//   usbfs_lister                 one line per device: VVVV:PPPP bus B address A
//                                ports P[.P]... serial S
//   usbfs_lister open BUS ADDR   opens the device: "ok", or libusb's error name
//   usbfs_lister sync BUS ADDR   opens, claims, sends "Sync\r" and prints the
//                                reply in hex ("06"), or the error name
#include <libusb.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Serial(libusb_device* device, const libusb_device_descriptor& descriptor) {
    libusb_device_handle* handle = nullptr;
    if (descriptor.iSerialNumber == 0 || libusb_open(device, &handle) != LIBUSB_SUCCESS) {
        return "-";
    }
    unsigned char text[128] = {};
    const int length =
        libusb_get_string_descriptor_ascii(handle, descriptor.iSerialNumber, text, sizeof(text));
    libusb_close(handle);
    return length > 0 ? std::string(reinterpret_cast<char*>(text), static_cast<size_t>(length))
                      : "-";
}

int List(libusb_context* context) {
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context, &list);
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor descriptor{};
        libusb_get_device_descriptor(list[i], &descriptor);
        uint8_t ports[8] = {};
        const int depth = libusb_get_port_numbers(list[i], ports, sizeof(ports));
        std::string path;
        for (int p = 0; p < depth; ++p) {
            path += (p == 0 ? "" : ".") + std::to_string(ports[p]);
        }
        std::printf("%04x:%04x bus %d address %d ports %s serial %s\n", descriptor.idVendor,
                    descriptor.idProduct, libusb_get_bus_number(list[i]),
                    libusb_get_device_address(list[i]), path.empty() ? "-" : path.c_str(),
                    Serial(list[i], descriptor).c_str());
    }
    libusb_free_device_list(list, 1);
    return count < 0 ? 1 : 0;
}

int Open(libusb_context* context, int bus, int address, libusb_device_handle** handle) {
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context, &list);
    int result = LIBUSB_ERROR_NOT_FOUND;
    for (ssize_t i = 0; i < count; ++i) {
        if (libusb_get_bus_number(list[i]) == bus &&
            libusb_get_device_address(list[i]) == address) {
            result = libusb_open(list[i], handle);
        }
    }
    libusb_free_device_list(list, 1);
    return result;
}

int Sync(libusb_device_handle* handle) {
    int result = libusb_claim_interface(handle, 0);
    unsigned char command[] = {'S', 'y', 'n', 'c', '\r'};
    int transferred = 0;
    if (result == LIBUSB_SUCCESS) {
        result = libusb_bulk_transfer(handle, 0x02, command, sizeof(command), &transferred, 2000);
    }
    unsigned char reply[64] = {};
    if (result == LIBUSB_SUCCESS) {
        result = libusb_bulk_transfer(handle, 0x81, reply, sizeof(reply), &transferred, 2000);
    }
    if (result != LIBUSB_SUCCESS) {
        std::printf("%s\n", libusb_error_name(result));
        return 1;
    }
    for (int i = 0; i < transferred; ++i) {
        std::printf("%02x", reply[i]);
    }
    std::printf("\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    libusb_context* context = nullptr;
    if (libusb_init(&context) != LIBUSB_SUCCESS) {
        std::printf("libusb_init failed\n");
        return 1;
    }
    int status = 2;
    if (argc == 1) {
        status = List(context);
    } else if (argc == 4) {
        const std::string what = argv[1];
        libusb_device_handle* handle = nullptr;
        const int opened = Open(context, std::atoi(argv[2]), std::atoi(argv[3]), &handle);
        if (opened != LIBUSB_SUCCESS) {
            std::printf("%s\n", libusb_error_name(opened));
            status = 1;
        } else if (what == "open") {
            std::printf("ok\n");
            status = 0;
        } else if (what == "sync") {
            status = Sync(handle);
        }
        if (handle != nullptr) {
            libusb_close(handle);
        }
    }
    libusb_exit(context);
    return status;
}
