// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace velmora::bench {

// What a generated corpus holds, so that a run can be checked afterwards.
struct CorpusManifest {
    size_t photos = 0;       // JPEGs with a capture date
    size_t withoutExif = 0;  // JPEGs without an EXIF block
    size_t notImages = 0;    // files that only carry an image's name, or none
    size_t sharedSecond = 0; // photos whose capture second another photo has too
};

// Writes `count` photos of width x height into `folder` (created). One JPEG is
// encoded per size; every photo is a copy with its capture date patched into
// the EXIF bytes, so that 100,000 photos take seconds, not minutes. About 5 %
// share their second with the photo before, one in 2,000 has no EXIF, and
// three files are not images.
CorpusManifest generateCorpus(const std::filesystem::path& folder, size_t count, int width, int height);

// The capture date of photo `index` as the generator wrote it.
std::string captureDateOf(size_t index);

} // namespace velmora::bench
