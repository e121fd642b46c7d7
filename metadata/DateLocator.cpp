// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/DateLocator.h"

#include "metadata/BmffDates.h"
#include "metadata/TiffDates.h"

#include <array>
#include <cstring>
#include <string>

namespace velmora {
namespace {

using namespace locator;

constexpr uint64_t kMaxSkip = 64 * 1024; // padding between JPEG segments

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
    return parseTiff(bytes, exifAt, exifLength - 8u);
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
    return found;
}

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
            auto found = parseExifBlock(bytes, at + 8, length);
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
            return parseExifBlock(bytes, at + 8, length);
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
        return parseTiff(bytes, 0, bytes.size());
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
