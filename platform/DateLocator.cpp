// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DateLocator.h"

#include "platform/TiffDates.h"

#include <array>
#include <cstring>
#include <string>

namespace velmora {
namespace {

using namespace locator;
using Format = DateLocation::Format;

constexpr int kMaxBoxes = 4096;          // boxes or chunks walked per level: a loop guard
constexpr uint64_t kMaxSkip = 64 * 1024; // padding between JPEG segments

std::optional<DateLocation> inFormat(std::optional<DateLocation> found, Format format)
{
    if (found)
        found->format = format;
    return found;
}

bool isStartOfFrame(uint8_t marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// The JPEG from `start` to `end`, its segments walked as exiv2 walks them up
// to the start of scan: it stops there or once it has met five things it
// wants, and gives up on the whole file when a segment runs past its end. The
// first APP1 segment that begins with "Exif\0\0" holds the dates.
std::optional<DateLocation> parseJpeg(Bytes& bytes, uint64_t start, uint64_t end)
{
    static constexpr uint8_t xmpId[] = "http://ns.adobe.com/xap/1.0/";
    uint64_t pos = start + 2;
    uint64_t exifAt = 0;
    uint16_t exifLength = 0;
    bool xmpSeen = false, commentSeen = false, frameSeen = false;
    int search = 5;
    for (int segments = 0; search > 0; ++segments) {
        uint8_t m[2 + 2 + sizeof xmpId];
        // As exiv2 reads: bytes up to the next 0xFF are skipped, and any number of 0xFF.
        bool sawFF = false;
        for (uint64_t skipped = 0;; ++pos, ++skipped) {
            if (skipped > kMaxSkip || pos + 2 > end || !bytes.read(pos, 2, m))
                return std::nullopt;
            sawFF = sawFF || m[0] == 0xFF;
            if (sawFF && m[1] != 0xFF)
                break;
        }
        if (segments > 1000)
            return std::nullopt;
        const uint8_t marker = m[1];
        if (marker == 0xDA || marker == 0xD9)
            break;
        // Only the markers that exiv2 knows to carry a length; fill bytes,
        // stand-alone markers and the like are exiv2's business.
        const bool hasLength = (marker >= 0xC0 && marker <= 0xCF) || marker == 0xDB || marker == 0xDD ||
                               (marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE;
        if (!hasLength)
            return std::nullopt;
        const uint64_t left = end - pos - 2;
        if (left < 2 || !bytes.read(pos + 2, static_cast<size_t>(std::min<uint64_t>(left, sizeof m - 2)), m + 2))
            return std::nullopt;
        const uint16_t length = be16(m + 2);
        if (length < 2 || length > left)
            return std::nullopt;
        if (marker == 0xE1 && exifAt == 0 && left >= 8 && std::memcmp(m + 4, "Exif\0\0", 6) == 0) {
            if (length < 8)
                return std::nullopt;
            exifAt = pos + 10;
            exifLength = length;
            --search;
        } else if (marker == 0xE1 && !xmpSeen && left >= 2 + sizeof xmpId &&
                   std::memcmp(m + 4, xmpId, sizeof xmpId) == 0) {
            if (length < 31)
                return std::nullopt;
            xmpSeen = true;
            --search;
        } else if (marker == 0xFE && !commentSeen) {
            // exiv2 counts every comment until one has text before its trailing NULs.
            std::string text(length - 2u, '\0');
            if (!bytes.read(pos + 4, text.size(), reinterpret_cast<uint8_t*>(text.data())))
                return std::nullopt;
            commentSeen = text.find_last_not_of('\0') != std::string::npos;
            --search;
        } else if (isStartOfFrame(marker) && !frameSeen) {
            uint8_t frame[5];
            if (length < 8 || !bytes.read(pos + 4, 5, frame))
                return std::nullopt;
            if (frame[1] != 0 || frame[2] != 0) { // a height: exiv2 looks no further for one
                frameSeen = true;
                --search;
            }
        }
        pos += 2u + length;
    }
    if (exifAt == 0) {
        DateLocation none;
        none.source = CaptureDates::Source::NoExif;
        return none;
    }
    return inFormat(parseTiff(bytes, exifAt, exifLength - 8u), Format::Jpeg);
}

// Fujifilm RAF: a JPEG preview at the offset the header gives carries the EXIF block.
std::optional<DateLocation> parseRaf(Bytes& bytes)
{
    uint8_t where[8];
    if (!bytes.read(84, 8, where))
        return std::nullopt;
    const uint64_t at = be32(where), length = be32(where + 4);
    uint8_t soi[2];
    if (at < 92 || length > bytes.size() - std::min(at, bytes.size()) || !bytes.read(at, 2, soi) || soi[0] != 0xFF ||
        soi[1] != 0xD8)
        return std::nullopt;
    auto found = parseJpeg(bytes, at, at + length);
    if (found && found->source != CaptureDates::Source::Exif)
        return std::nullopt;
    return inFormat(std::move(found), Format::Raf);
}

// An EXIF block that may open with "Exif\0\0" before its TIFF header.
std::optional<DateLocation> parseExifBlock(Bytes& bytes, uint64_t at, uint64_t length, Format format)
{
    uint8_t head[6];
    if (length >= 6 && bytes.read(at, 6, head) && std::memcmp(head, "Exif\0\0", 6) == 0) {
        at += 6;
        length -= 6;
    }
    return inFormat(parseTiff(bytes, at, length), format);
}

// ---- ISO base media files: HEIF, HEIC, AVIF, CR3, JPEG XL -------------------

struct Box {
    char type[4];
    uint64_t body;    // first byte after the header
    uint64_t end;     // first byte after the box
    uint8_t uuid[16]; // for "uuid" boxes
};

// The boxes from `at` to `end`, one by one.
class Boxes {
public:
    Boxes(Bytes& bytes, uint64_t at, uint64_t end) : bytes_(bytes), at_(at), end_(end) {}
    bool next(Box& box)
    {
        uint8_t h[16];
        if (++walked_ > kMaxBoxes || at_ > end_ || end_ - at_ < 8 || !bytes_.read(at_, 8, h))
            return false;
        uint64_t size = be32(h);
        uint64_t header = 8;
        if (size == 1) {
            if (end_ - at_ < 16 || !bytes_.read(at_ + 8, 8, h + 8))
                return false;
            size = be64(h + 8);
            header = 16;
        } else if (size == 0) {
            size = end_ - at_;
        }
        if (size < header || size > end_ - at_)
            return false;
        std::memcpy(box.type, h + 4, 4);
        box.body = at_ + header;
        box.end = at_ + size;
        if (is(box, "uuid") && (size - header < 16 || !bytes_.read(box.body, 16, box.uuid)))
            return false;
        at_ = box.end;
        return true;
    }
    static bool is(const Box& box, const char* type) { return std::memcmp(box.type, type, 4) == 0; }

private:
    Bytes& bytes_;
    uint64_t at_, end_;
    int walked_ = 0;
};

bool findBox(Bytes& bytes, uint64_t at, uint64_t end, const char* type, Box& found)
{
    Boxes boxes(bytes, at, end);
    while (boxes.next(found))
        if (Boxes::is(found, type))
            return true;
    return false;
}

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
    return parseExifBlock(bytes, at + 4 + be32(skip), length - 4 - be32(skip), Format::Bmff);
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
            return inFormat(parseTiff(bytes, cmt2.body, cmt2.end - cmt2.body, true), Format::Cr3);
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
    return inFormat(parseTiff(bytes, tiff, exif.end - tiff), Format::JpegXl);
}

// ---- PNG and WebP -----------------------------------------------------------

// PNG: the "eXIf" chunk before the image data. (EXIF in a compressed text
// chunk cannot be patched; exiv2 reads that.)
std::optional<DateLocation> parsePng(Bytes& bytes)
{
    uint64_t at = 8;
    for (int chunks = 0; chunks < kMaxBoxes; ++chunks) {
        uint8_t h[8];
        if (!bytes.read(at, 8, h))
            return std::nullopt;
        const uint64_t length = be32(h);
        if (length > bytes.size() - at - 8 || bytes.size() - at - 8 - length < 4)
            return std::nullopt;
        if (std::memcmp(h + 4, "IDAT", 4) == 0 || std::memcmp(h + 4, "IEND", 4) == 0)
            return std::nullopt;
        if (std::memcmp(h + 4, "eXIf", 4) == 0) {
            auto found = parseExifBlock(bytes, at + 8, length, Format::Png);
            if (found)
                found->checksum = DateLocation::Crc32{at + 4, static_cast<uint32_t>(length + 4), at + 8 + length};
            return found;
        }
        at += 12 + length;
    }
    return std::nullopt;
}

std::optional<DateLocation> parseWebP(Bytes& bytes)
{
    uint8_t h[8];
    uint64_t at = 12;
    const uint64_t end = bytes.size();
    for (int chunks = 0; chunks < kMaxBoxes && end - at >= 8; ++chunks) {
        if (!bytes.read(at, 8, h))
            return std::nullopt;
        const uint64_t length = le32(h + 4);
        if (length > end - at - 8)
            return std::nullopt;
        if (std::memcmp(h, "EXIF", 4) == 0)
            return parseExifBlock(bytes, at + 8, length, Format::WebP);
        at += 8 + length + (length & 1);
    }
    return std::nullopt;
}

std::optional<DateLocation> parse(Bytes& bytes)
{
    uint8_t magic[16];
    if (!bytes.read(0, sizeof magic, magic))
        return std::nullopt;
    if (magic[0] == 0xFF && magic[1] == 0xD8)
        return parseJpeg(bytes, 0, bytes.size());
    if ((magic[0] == 'I' && magic[1] == 'I') || (magic[0] == 'M' && magic[1] == 'M')) {
        auto found = parseTiff(bytes, 0, bytes.size());
        // Canon's CR2 marks its TIFF header; exiv2 reads it with a parser of its own.
        return magic[8] == 'C' && magic[9] == 'R' ? inFormat(std::move(found), Format::TiffVariant) : found;
    }
    if (std::memcmp(magic, "FUJIFILMCCD-RAW ", 16) == 0)
        return parseRaf(bytes);
    if (std::memcmp(magic, "\x89PNG\r\n\x1a\n", 8) == 0)
        return parsePng(bytes);
    if (std::memcmp(magic, "RIFF", 4) == 0 && std::memcmp(magic + 8, "WEBP", 4) == 0)
        return parseWebP(bytes);
    if (std::memcmp(magic, "\0\0\0\x0cJXL \r\n\x87\n", 12) == 0)
        return parseJpegXl(bytes);
    if (std::memcmp(magic + 4, "ftyp", 4) == 0)
        return std::memcmp(magic + 8, "crx ", 4) == 0 ? parseCr3(bytes) : parseHeif(bytes);
    return std::nullopt;
}

} // namespace

CaptureDates DateLocation::dates() const
{
    CaptureDates d;
    d.source = source;
    if (original)
        d.dateTimeOriginal = original->text;
    if (digitized)
        d.dateTimeDigitized = digitized->text;
    return d;
}

std::optional<DateLocation> locateDates(int fd, uint64_t fileSize)
{
    Bytes bytes(fd, fileSize);
    try {
        return parse(bytes);
    } catch (...) {
        return std::nullopt; // out of memory: let exiv2 try
    }
}

std::optional<DateLocation> locateDates(const uint8_t* data, size_t size)
{
    Bytes bytes(data, size);
    try {
        return parse(bytes);
    } catch (...) {
        return std::nullopt;
    }
}

uint32_t crc32(uint32_t crc, const uint8_t* data, size_t size)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

} // namespace velmora
