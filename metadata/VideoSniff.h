// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace velmora {

// How many first bytes of a file isVideoContainer wants to see.
constexpr size_t kVideoSniffSize = 512;

// True when the first bytes of a file are those of a video container
// (QuickTime/MP4/MOV, AVI, Matroska/WebM, ASF/WMV, MPEG program or transport
// stream). These are no photos and are never handed to exiv2. ISO base media
// files are photos when a brand says HEIF, AVIF or CR3, else videos.
bool isVideoContainer(std::span<const uint8_t> head);

// The same for ISO base media files alone (MP4, MOV, 3GP and the like).
bool isIsoBaseMediaVideo(std::span<const uint8_t> head);

} // namespace velmora
