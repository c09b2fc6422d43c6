#include "tests/files/ConverterFixture.h"

#include <cstring>

#include "app/engine/PartitionDescriptor.h"

namespace corvane::test {

ConverterFixture::ConverterFixture() {
    ctx_.mainWindow = &window_;
    std::strcpy(window_.platformId, "PJX2000-A1");
    window_.MatchFilesToHardware = 0;
    SetPartitions("4,100000,0,10000,80000,F0000");
}

ConverterFixture::~ConverterFixture() {
    if (source_ != nullptr) {
        std::fclose(source_);
    }
    if (ctx_.devices[0].stagedImage != nullptr) {
        std::fclose(ctx_.devices[0].stagedImage);
    }
}

void ConverterFixture::SetPartitions(const char* descriptor) {
    ctx_.partitions = PartitionTable{};
    ASSERT_EQ(ParsePartitionDescriptor(descriptor, ctx_.partitions), kDescriptorDone);
}

int ConverterFixture::Convert(const std::string& fileText) {
    if (source_ != nullptr) {
        std::fclose(source_);
    }
    source_ = std::tmpfile();
    EXPECT_NE(source_, nullptr);
    if (source_ == nullptr) {
        return 1000;
    }
    std::fwrite(fileText.data(), 1, fileText.size(), source_);
    // Leave the stream at its end: the converter rewinds it itself.
    return ConvertFirmwareImage(ctx_, 0, source_, ctx_.partitionFlags);
}

Bytes ConverterFixture::StagedBytes() const {
    FILE* image = ctx_.devices[0].stagedImage;
    Bytes bytes;
    if (image == nullptr) {
        ADD_FAILURE() << "no staged image";
        return bytes;
    }
    const long end = std::ftell(image);
    std::rewind(image);
    int c;
    while ((c = std::fgetc(image)) != EOF) {
        bytes.push_back(static_cast<uint8_t>(c));
    }
    EXPECT_EQ(end, static_cast<long>(bytes.size())) << "staged image not left at its end";
    return bytes;
}

std::vector<StagedBlock> ConverterFixture::StagedBlocks() const {
    const Bytes bytes = StagedBytes();
    std::vector<StagedBlock> blocks;
    size_t at = 0;
    while (at + 6 <= bytes.size()) {
        StagedBlock block;
        block.type = bytes[at];
        block.address = bytes[at + 1] | bytes[at + 2] << 8 | bytes[at + 3] << 16 |
                        static_cast<uint32_t>(bytes[at + 4]) << 24;
        const size_t length = bytes[at + 5];
        if (at + 6 + length > bytes.size()) {
            break;
        }
        block.data.assign(bytes.begin() + static_cast<long>(at + 6),
                          bytes.begin() + static_cast<long>(at + 6 + length));
        at += 6 + length;
        blocks.push_back(block);
    }
    EXPECT_EQ(at, bytes.size()) << "staged image has a torn block";
    return blocks;
}

Bytes ConverterFixture::StagedFlash(size_t size) const {
    Bytes flash(size, 0xFF);
    for (const StagedBlock& block : StagedBlocks()) {
        if (block.type != 0) {
            break;
        }
        for (size_t i = 0; i < block.data.size(); ++i) {
            if (block.address + i < size) {
                flash[block.address + i] = block.data[i];
            }
        }
    }
    return flash;
}

std::vector<int> ConverterFixture::Marked() const {
    std::vector<int> marked;
    for (int i = 0; i < ctx_.partitions.count; ++i) {
        if (ctx_.partitionFlags.flag[i] != 0) {
            marked.push_back(i);
        }
    }
    return marked;
}

}  // namespace corvane::test
