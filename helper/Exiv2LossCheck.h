// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <string>
#include <string_view>

namespace Exiv2 {
class Image;
}

// What a photo rebuilt by exiv2 must still hold: exiv2 drops data silently in
// a few cases, and the check runs before the photo is replaced.
namespace velmora {

// The metadata of an image as comparable values, layout aside.
struct MetadataSnapshot {
    std::map<std::string, std::multiset<std::string>> exif; // key -> values
    std::multiset<std::pair<std::string, std::string>> iptc;
    std::string xmpPacket;
    std::string comment;
    bool iptcMisread = false;

    static MetadataSnapshot of(const Exiv2::Image& image);
    // What of `before` is missing from `after` (which may hold more), or empty.
    static std::string lossBetween(const MetadataSnapshot& before, const MetadataSnapshot& after);
};

// The number of images (IFDs in the main chain) of a TIFF-structured file, or
// 0 for any other layout. exiv2 0.27 keeps only the first four when it has to
// lay a TIFF out anew; this is how we notice.
size_t tiffImageCount(std::span<const uint8_t> bytes);

// The XMP packet as stored, where it is stored as plain text; empty otherwise.
// exiv2 re-serializes it in some formats (PGF) whatever it is asked.
std::string_view xmpPacketIn(std::span<const uint8_t> bytes);

} // namespace velmora
