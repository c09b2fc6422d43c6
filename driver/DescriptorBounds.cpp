#include "driver/DescriptorBounds.h"

ULONG UsableConfigurationLength(const UCHAR* buffer, ULONG length) {
    if (length < kConfigurationHeadLength) {
        return 0;
    }
    ULONG total = buffer[2] | (static_cast<ULONG>(buffer[3]) << 8);  // wTotalLength
    if (total < length) {
        length = total;
    }
    ULONG offset = 0;
    while (offset + 2 <= length) {
        ULONG descriptorLength = buffer[offset];
        UCHAR type = buffer[offset + 1];
        ULONG needed = 2;
        if (type == USB_INTERFACE_DESCRIPTOR_TYPE) {
            needed = kInterfaceDescriptorLength;
        } else if (type == USB_ENDPOINT_DESCRIPTOR_TYPE) {
            needed = kEndpointDescriptorLength;
        } else if (offset == 0) {
            needed = kConfigurationHeadLength;
        }
        if (descriptorLength < needed || descriptorLength > length - offset) {
            break;
        }
        offset += descriptorLength;
    }
    return offset < kConfigurationHeadLength ? 0 : offset;
}
