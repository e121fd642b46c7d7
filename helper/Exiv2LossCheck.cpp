// SPDX-License-Identifier: GPL-3.0-or-later
// Built into velmora-helper only, beside Exiv2Library.cpp.
#include "helper/Exiv2LossCheck.h"

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cstring>

namespace velmora {
namespace {

// exiv2 recomputes these on every rewrite: offsets and pointers to sub-directories.
bool isStructuralTag(const std::string& tagName)
{
    static const char* const suffixes[] = {"Offset", "Offsets",    "Start",   "Tag",
                                           "IFD",    "IFDPointer", "SubIFDs", "JPEGInterchangeFormat"};
    return std::any_of(std::begin(suffixes), std::end(suffixes), [&](const char* suffix) {
        const size_t n = std::strlen(suffix);
        return tagName.size() >= n && tagName.compare(tagName.size() - n, n, suffix) == 0;
    });
}

std::string valueBytes(const Exiv2::Metadatum& datum)
{
    // In one fixed byte order, so that a file rewritten in the other order compares equal.
    std::string bytes(static_cast<size_t>(datum.size()), '\0');
    if (!bytes.empty())
        datum.copy(reinterpret_cast<Exiv2::byte*>(bytes.data()), Exiv2::littleEndian);
    return bytes;
}

uint32_t readU32(std::span<const uint8_t> b, size_t at, bool bigEndian)
{
    return bigEndian ? (uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3])
                     : (uint32_t(b[at + 3]) << 24 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 1]) << 8 | b[at]);
}

uint16_t readU16(std::span<const uint8_t> b, size_t at, bool bigEndian)
{
    return static_cast<uint16_t>(bigEndian ? (b[at] << 8 | b[at + 1]) : (b[at + 1] << 8 | b[at]));
}

} // namespace

MetadataSnapshot MetadataSnapshot::of(const Exiv2::Image& image)
{
    MetadataSnapshot s;
    // A maker note that exiv2 decoded is compared tag by tag: its blob
    // changes whenever exiv2 lays the note out anew, its content does not.
    const bool makerNoteDecoded =
        std::any_of(image.exifData().begin(), image.exifData().end(),
                    [](const Exiv2::Exifdatum& d) { return Exiv2::ExifTags::isMakerGroup(d.groupName()); });
    for (const Exiv2::Exifdatum& d : image.exifData()) {
        // Pointers to sub-directories (Exif.Photo.InteroperabilityTag,
        // Nikon's preview): exiv2 drops one whose directory it could not
        // read; what it did read is compared tag by tag.
        if (d.key() == "Exif.Nikon3.Preview" || d.tagName().ends_with("Tag"))
            continue;
        const bool structural = isStructuralTag(d.tagName()) || (makerNoteDecoded && d.key() == "Exif.Photo.MakerNote");
        s.exif[d.key()].insert(structural ? std::string() : valueBytes(d));
    }
    for (const Exiv2::Iptcdatum& d : image.iptcData()) {
        s.iptc.emplace(d.key(), valueBytes(d));
        // A record marker inside a value: exiv2 misread the block's lengths
        // and would write it back otherwise.
        s.iptcMisread = s.iptcMisread || valueBytes(d).find('\x1c') != std::string::npos;
    }
    s.xmpPacket = image.xmpPacket();
    s.comment = image.comment();
    return s;
}

std::string MetadataSnapshot::lossBetween(const MetadataSnapshot& before, const MetadataSnapshot& after)
{
    for (const auto& [key, values] : before.exif) {
        const auto it = after.exif.find(key);
        if (it == after.exif.end() ||
            !std::includes(it->second.begin(), it->second.end(), values.begin(), values.end()))
            return key + " would be lost or changed";
    }
    if (before.iptc != after.iptc || before.iptcMisread)
        return "IPTC data would change";
    if (before.xmpPacket != after.xmpPacket)
        return "XMP data would change";
    if (before.comment != after.comment)
        return "the comment would change";
    return {};
}

// The number of images (IFDs in the main chain) of a TIFF-structured file, or
// 0 for any other layout. exiv2 0.27 keeps only the first four when it has to
// lay a TIFF out anew; this is how we notice.
size_t tiffImageCount(std::span<const uint8_t> b)
{
    if (b.size() < 8)
        return 0;
    bool big;
    if (b[0] == 'I' && b[1] == 'I')
        big = false;
    else if (b[0] == 'M' && b[1] == 'M')
        big = true;
    else
        return 0;
    std::set<uint32_t> seen;
    size_t count = 0;
    for (uint32_t at = readU32(b, 4, big); at != 0 && seen.insert(at).second; ++count) {
        if (size_t(at) + 2 > b.size())
            break;
        const size_t next = size_t(at) + 2 + 12 * size_t(readU16(b, at, big));
        if (next + 4 > b.size()) {
            ++count;
            break;
        }
        at = readU32(b, next, big);
    }
    return count;
}

// The XMP packet as stored, where it is stored as plain text; empty otherwise.
// exiv2 re-serializes it in some formats (PGF) whatever it is asked.
std::string_view xmpPacketIn(std::span<const uint8_t> bytes)
{
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const size_t begin = text.find("<x:xmpmeta");
    const size_t end = begin == std::string_view::npos ? begin : text.find("</x:xmpmeta>", begin);
    return end == std::string_view::npos ? std::string_view() : text.substr(begin, end - begin);
}

} // namespace velmora
