#include "app/engine/StagedImageChecksum.h"

#include <cstring>
#include <memory>
#include <new>

#include "app/engine/Crc16.h"
#include "app/engine/DeviceRecord.h"

namespace corvane {

namespace {

class FileSource {
public:
    explicit FileSource(FILE* file) : file_(file) { std::rewind(file_); }
    int Next() { return std::fgetc(file_); }
    bool Read(uint8_t* data, size_t n) { return std::fread(data, 1, n, file_) == n; }

private:
    FILE* file_;
};

class MemorySource {
public:
    MemorySource(const uint8_t* image, size_t size) : image_(image), size_(size) {}
    int Next() { return at_ < size_ ? image_[at_++] : EOF; }
    bool Read(uint8_t* data, size_t n) {
        if (size_ - at_ < n) {
            return false;
        }
        std::memcpy(data, image_ + at_, n);
        at_ += n;
        return true;
    }

private:
    const uint8_t* image_;
    size_t size_;
    size_t at_ = 0;
};

// Programs every block into rangeImage, keeping only the bytes inside the range.
template <typename Source>
bool Replay(Source& source, uint32_t flashSize, uint32_t rangeStart, uint32_t rangeEnd,
            uint8_t* rangeImage) {
    for (;;) {
        const int type = source.Next();
        if (type == 1) {
            return true;
        }
        if (type != 0) {
            return false;
        }
        uint8_t header[kBlockHeaderSize - 1];
        uint8_t data[256];
        if (!source.Read(header, sizeof(header))) {
            return false;
        }
        const uint32_t address =
            header[0] | header[1] << 8 | header[2] << 16 | static_cast<uint32_t>(header[3]) << 24;
        const size_t n = header[4];
        if (!source.Read(data, n) || static_cast<uint64_t>(address) + n > flashSize) {
            return false;
        }
        for (size_t i = 0; i < n; ++i) {
            const uint32_t at = address + static_cast<uint32_t>(i);
            if (at >= rangeStart && at < rangeEnd) {
                rangeImage[at - rangeStart] = data[i];
            }
        }
    }
}

template <typename Source>
bool Checksum(Source& source, uint32_t flashSize, uint32_t rangeStart, uint32_t rangeEnd,
              uint16_t& checksum) {
    if (rangeStart > rangeEnd || rangeEnd > flashSize) {
        return false;
    }
    const size_t length = rangeEnd - rangeStart;
    std::unique_ptr<uint8_t[]> rangeImage(new (std::nothrow) uint8_t[length > 0 ? length : 1]);
    if (!rangeImage) {
        return false;
    }
    std::memset(rangeImage.get(), 0xFF, length);
    if (!Replay(source, flashSize, rangeStart, rangeEnd, rangeImage.get())) {
        return false;
    }
    checksum = ComputeCrc16(rangeImage.get(), length, 0);
    return true;
}

}  // namespace

bool ComputeStagedImageChecksum(FILE* stagedImage, uint32_t flashSize, uint32_t rangeStart,
                                uint32_t rangeEnd, uint16_t& checksum) {
    if (stagedImage == nullptr) {
        return false;
    }
    FileSource source(stagedImage);
    return Checksum(source, flashSize, rangeStart, rangeEnd, checksum);
}

bool ComputeStagedImageChecksum(const uint8_t* image, size_t imageSize, uint32_t flashSize,
                                uint32_t rangeStart, uint32_t rangeEnd, uint16_t& checksum) {
    MemorySource source(image, imageSize);
    return Checksum(source, flashSize, rangeStart, rangeEnd, checksum);
}

}  // namespace corvane
