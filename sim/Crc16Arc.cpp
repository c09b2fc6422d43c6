#include "sim/Crc16Arc.h"

namespace corvane::sim {

uint16_t Crc16Arc(const uint8_t* data, size_t length, uint16_t initial) {
    uint16_t crc = initial;
    for (size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : (crc >> 1);
        }
    }
    return crc;
}

}  // namespace corvane::sim
