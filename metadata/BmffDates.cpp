// SPDX-License-Identifier: GPL-3.0-or-later
// The walk of ISO base media files (HEIF, HEIC, AVIF, CR3, JPEG XL) down to
// their EXIF block: boxes, the item information and the item locations.
#include "metadata/BmffDates.h"

#include "metadata/BmffBoxes.h"

#include <cstring>

namespace velmora::locator {
namespace {

// An unsigned number of `size` bytes (0, 4 or 8), big-endian, advancing `at`.
bool sized(Bytes& bytes, uint64_t& at, unsigned size, uint64_t& out)
{
    uint8_t b[8] = {};
    if (size != 0 && size != 4 && size != 8 && size != 2)
        return false;
    if (size && !bytes.read(at, size, b))
        return false;
    out = size == 8 ? be64(b) : size == 4 ? be32(b) : size == 2 ? be16(b) : 0;
    at += size;
    return true;
}

// The item ID of the "Exif" item in an "iinf" box.
std::optional<uint32_t> exifItemId(Bytes& bytes, const Box& iinf)
{
    uint8_t h[6];
    if (!bytes.read(iinf.body, 6, h))
        return std::nullopt;
    const uint64_t first = iinf.body + (h[0] == 0 ? 6 : 8);
    Boxes entries(bytes, first, iinf.end);
    for (Box infe; entries.next(infe);) {
        uint8_t e[4 + 4 + 2 + 4]; // version and flags, item ID (2 or 4 bytes), protection index, type
        if (!Boxes::is(infe, "infe") || !bytes.read(infe.body, 4, e))
            continue;
        const unsigned version = e[0];
        if (version < 2)
            continue;
        const size_t idSize = version == 2 ? 2 : 4;
        if (!bytes.read(infe.body + 4, idSize + 6, e + 4))
            continue;
        const uint32_t id = idSize == 2 ? be16(e + 4) : be32(e + 4);
        if (std::memcmp(e + 4 + idSize + 2, "Exif", 4) == 0)
            return id;
    }
    return std::nullopt;
}

// Where the item `id` lies, from an "iloc" box: one extent in this file.
bool itemExtent(Bytes& bytes, const Box& iloc, uint32_t id, uint64_t& offset, uint64_t& length)
{
    uint8_t h[8];
    if (!bytes.read(iloc.body, 8, h))
        return false;
    const unsigned version = h[0];
    if (version > 2)
        return false;
    const unsigned offsetSize = h[4] >> 4, lengthSize = h[4] & 15, baseSize = h[5] >> 4;
    const unsigned indexSize = version == 0 ? 0 : h[5] & 15;
    uint64_t at = iloc.body + 6, items = 0;
    if (!sized(bytes, at, version < 2 ? 2 : 4, items))
        return false;
    for (uint64_t i = 0; i < items && at < iloc.end; ++i) {
        uint64_t itemId = 0, method = 0, reference = 0, base = 0, extents = 0;
        if (!sized(bytes, at, version < 2 ? 2 : 4, itemId) || (version > 0 && !sized(bytes, at, 2, method)) ||
            !sized(bytes, at, 2, reference) || !sized(bytes, at, baseSize, base) || !sized(bytes, at, 2, extents))
            return false;
        if (itemId != id) {
            at += extents * (indexSize + offsetSize + lengthSize);
            continue;
        }
        // In this file (no data reference), by file offset, in one piece.
        if ((method & 15) != 0 || reference != 0 || extents != 1)
            return false;
        uint64_t index = 0, extentOffset = 0;
        if (!sized(bytes, at, indexSize, index) || !sized(bytes, at, offsetSize, extentOffset) ||
            !sized(bytes, at, lengthSize, length))
            return false;
        offset = base + extentOffset;
        return offset >= base && offset <= bytes.size() && length <= bytes.size() - offset;
    }
    return false;
}

} // namespace

std::optional<DateLocation> parseHeif(Bytes& bytes)
{
    Box meta, iinf, iloc;
    if (!findBox(bytes, 0, bytes.size(), "meta", meta) || !findBox(bytes, meta.body + 4, meta.end, "iinf", iinf) ||
        !findBox(bytes, meta.body + 4, meta.end, "iloc", iloc))
        return std::nullopt;
    const std::optional<uint32_t> id = exifItemId(bytes, iinf);
    uint64_t at = 0, length = 0;
    uint8_t skip[4];
    if (!id || !itemExtent(bytes, iloc, *id, at, length) || length < 4 || !bytes.read(at, 4, skip) ||
        be32(skip) > length - 4)
        return std::nullopt;
    // The item opens with the distance from its fifth byte to the TIFF header.
    return parseExifBlock(bytes, at + 4 + be32(skip), length - 4 - be32(skip));
}

// Canon CR3: the EXIF directory is a TIFF of its own in the CMT2 box.
std::optional<DateLocation> parseCr3(Bytes& bytes)
{
    static constexpr uint8_t canon[16] = {0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0,
                                          0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48};
    Box moov, box;
    if (!findBox(bytes, 0, bytes.size(), "moov", moov))
        return std::nullopt;
    Boxes children(bytes, moov.body, moov.end);
    while (children.next(box)) {
        Box cmt2;
        if (Boxes::is(box, "uuid") && std::memcmp(box.uuid, canon, 16) == 0 &&
            findBox(bytes, box.body + 16, box.end, "CMT2", cmt2))
            return parseTiff(bytes, cmt2.body, cmt2.end - cmt2.body, true);
    }
    return std::nullopt;
}

std::optional<DateLocation> parseJpegXl(Bytes& bytes)
{
    Box exif;
    uint8_t skip[4];
    if (!findBox(bytes, 0, bytes.size(), "Exif", exif) || exif.end - exif.body < 4 || !bytes.read(exif.body, 4, skip) ||
        be32(skip) > exif.end - exif.body - 4)
        return std::nullopt;
    const uint64_t tiff = exif.body + 4 + be32(skip);
    return parseTiff(bytes, tiff, exif.end - tiff);
}

} // namespace velmora::locator
