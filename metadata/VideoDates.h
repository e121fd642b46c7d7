// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// The videos that may be named by their recorded date, by their name: MP4, MOV, M4V and 3GP.
bool isDatedVideoName(std::string_view name);

// The recorded date of an ISO base media video, "yyyy:MM:dd HH:mm:ss" in the
// wall-clock time of where it was recorded when the file says it: the
// QuickTime creation date, else XMP's xmp:CreateDate, each only with its
// offset from UTC; else the movie header's creation time (UTC) in this
// computer's time zone. An empty text for a video without a plausible date
// (a zero time, before 1970, from 2100 on); nullopt for what is no such video.
// Only the boxes on the way are read, each checked against its container and
// the file. Never throws.
std::optional<std::string> locateVideoDate(int fd, uint64_t fileSize);
// The same on bytes in memory holding the whole file.
std::optional<std::string> locateVideoDate(const uint8_t* data, size_t size);

} // namespace velmora
