// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "metadata/CaptureDates.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace velmora {

// Where one date field's value lies in the file.
struct DateField {
    std::string text;    // as stored, trailing NULs removed
    uint64_t offset = 0; // first byte of the value in the file
    uint32_t count = 0;  // the value's bytes there, its NUL included
};

struct DateLocation {
    CaptureDates::Source source = CaptureDates::Source::Exif;
    std::optional<DateField> original;
    std::optional<DateField> digitized;
    std::optional<DateField> modified; // the first directory's DateTime
    bool modifiedUnread = false;       // that field is there, but not plainly (twice, or not a text)
    // A PNG chunk holds the EXIF block: its CRC (4 bytes at crcOffset) covers
    // the `length` bytes from `dataOffset` on, the chunk type first.
    struct Crc32 {
        uint64_t dataOffset = 0;
        uint32_t length = 0;
        uint64_t crcOffset = 0;
    };
    std::optional<Crc32> checksum;

    CaptureDates dates() const;
    const std::optional<DateField>& field(DateTag tag) const
    {
        return tag == DateTag::Original ? original : tag == DateTag::Digitized ? digitized : modified;
    }
};

// The two date fields of a photo of a format we read ourselves (JPEG, TIFF and
// the TIFF-based raws, RAF, HEIF/HEIC/AVIF, CR3, PNG, WebP, JPEG XL), read
// from only the bytes the structure points to, every offset and count checked
// against the file's bounds. nullopt for any other format, and for a file that
// is not plainly well formed or holds neither date: exiv2 decides then. Never
// throws.
std::optional<DateLocation> locateDates(int fd, uint64_t fileSize);

// The same on bytes in memory holding the whole file.
std::optional<DateLocation> locateDates(const uint8_t* data, size_t size);

// The CRC-32 of PNG chunks (and zlib), continued from `crc`.
uint32_t crc32(uint32_t crc, const uint8_t* data, size_t size);

} // namespace velmora
