// SPDX-License-Identifier: GPL-3.0-or-later
#include "metadata/VideoSniff.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace velmora {
namespace {

bool at(std::span<const uint8_t> head, size_t offset, std::string_view bytes)
{
    return head.size() >= offset + bytes.size() && std::memcmp(head.data() + offset, bytes.data(), bytes.size()) == 0;
}

// Still-image brands of ISO base media files: HEIF and its HEVC, AVIF and
// JPEG XL flavours, and Canon's CR3.
bool isPhotoBrand(std::string_view brand)
{
    static constexpr std::string_view kBrands[] = {"mif1", "mif2", "msf1", "heic", "heix", "heim", "heis",
                                                   "hevc", "hevx", "avif", "avis", "avio", "crx ", "jxl "};
    return std::find(std::begin(kBrands), std::end(kBrands), brand) != std::end(kBrands);
}

} // namespace

bool isIsoBaseMediaVideo(std::span<const uint8_t> head)
{
    if (at(head, 4, "ftyp")) {
        const size_t boxSize = size_t(head[0]) << 24 | size_t(head[1]) << 16 | size_t(head[2]) << 8 | head[3];
        const size_t end = std::min(head.size(), std::max<size_t>(boxSize, 16));
        for (size_t brand = 8; brand + 4 <= end; brand += brand == 8 ? 8 : 4)
            if (isPhotoBrand(std::string_view(reinterpret_cast<const char*>(head.data()) + brand, 4)))
                return false;
        return true;
    }
    // Old QuickTime files start with their movie or media box, without ftyp.
    return at(head, 4, "moov") || at(head, 4, "mdat") || at(head, 4, "wide") || at(head, 4, "pnot");
}

bool isVideoContainer(std::span<const uint8_t> head)
{
    using namespace std::string_view_literals;
    const bool avi = at(head, 0, "RIFF") && (at(head, 8, "AVI ") || at(head, 8, "AVIX"));
    const bool matroska = at(head, 0, "\x1A\x45\xDF\xA3"sv);
    const bool asf = at(head, 0, "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"sv);
    const bool programStream = at(head, 0, "\x00\x00\x01\xBA"sv);
    // Transport streams: 188-byte packets, or 192 with a time stamp in front.
    const bool transportStream = (at(head, 0, "G") && at(head, 188, "G") && at(head, 376, "G")) ||
                                 (at(head, 4, "G") && at(head, 196, "G") && at(head, 388, "G"));
    return avi || matroska || asf || programStream || transportStream || isIsoBaseMediaVideo(head);
}

} // namespace velmora
