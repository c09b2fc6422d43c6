// A conversion against an engine context whose projector reported the
// virtual projector's layout, and a reader for the staged image it leaves.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/engine/EngineContext.h"
#include "app/files/FirmwareImage.h"
#include "tests/files/FirmwareFileWriter.h"

namespace corvane::test {

struct StagedBlock {
    uint8_t type = 0;
    uint32_t address = 0;
    Bytes data;
};

class ConverterFixture : public ::testing::Test {
protected:
    ConverterFixture();
    ~ConverterFixture() override;

    // Partition layout from a descriptor; the default is
    // 4,100000,0,10000,80000,F0000.
    void SetPartitions(const char* descriptor);

    // Converts the text as a firmware file.
    int Convert(const std::string& fileText);

    // The staged image, byte for byte, and split into its blocks (the end
    // block included); a malformed image fails the test.
    Bytes StagedBytes() const;
    std::vector<StagedBlock> StagedBlocks() const;
    // The data blocks laid out over a flash of 0xFF, as verification does.
    Bytes StagedFlash(size_t size) const;

    // Indices of the partitions flagged by the conversion.
    std::vector<int> Marked() const;

    MainWindowRecord window_;
    EngineContext ctx_;
    FILE* source_ = nullptr;
};

}  // namespace corvane::test
