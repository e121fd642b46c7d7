// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "metadata/DateLocator.h"

#include <cstdint>
#include <optional>

namespace velmora::locator {

// Random access to a photo's bytes, in memory or through pread, a page at a
// time: only what the structure points to is read.
class Bytes {
public:
    Bytes(int fd, uint64_t size) : fd_(fd), size_(size) {}
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint64_t size() const { return size_; }
    // `len` bytes at `offset` into `out`; false when they are not all there.
    bool read(uint64_t offset, size_t len, uint8_t* out);

private:
    int fd_ = -1;
    const uint8_t* data_ = nullptr;
    uint64_t size_;
    uint8_t page_[4096];
    uint64_t pageAt_ = 0;
    size_t pageLen_ = 0;
    bool first_ = true;
};

uint16_t be16(const uint8_t* p);
uint32_t be32(const uint8_t* p);
uint64_t be64(const uint8_t* p);
uint32_t le32(const uint8_t* p);

// Boxes or chunks walked per level of a container: a guard against loops.
constexpr int kMaxBoxes = 4096;

// The dates of the TIFF structure at `base` that may extend `limit` bytes.
// exifFirst: the first directory is the EXIF directory itself (CR3's CMT2).
std::optional<DateLocation> parseTiff(Bytes& bytes, uint64_t base, uint64_t limit, bool exifFirst = false);

// The same for an EXIF block that may open with "Exif\0\0" before its TIFF header.
std::optional<DateLocation> parseExifBlock(Bytes& bytes, uint64_t at, uint64_t length);

} // namespace velmora::locator
