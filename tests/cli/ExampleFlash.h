// What the example download list (examples/demo.dld) leaves in a projector's
// 1 MiB flash, for checking a dumped flash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane::test {

// The byte the example generator writes at an address.
uint8_t ExampleByte(uint32_t address, uint32_t seed);

// How many bytes of `flash` differ from the list's files, partitions 0, 1 and
// 3 erased around them and partition 2 as in `old` (the flash before); the
// whole size when either is not 1 MiB.
size_t WrongDemoListBytes(const std::string& flash, const std::string& old);

}  // namespace corvane::test
