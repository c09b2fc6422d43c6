// The projector's own CRC-16/ARC (polynomial 0x8005 reflected, initial value 0,
// no final XOR), computed bit by bit so that it stays independent of the
// program's table-driven implementation it is checked against.
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane::sim {

uint16_t Crc16Arc(const uint8_t* data, size_t length, uint16_t initial = 0);

}  // namespace corvane::sim
