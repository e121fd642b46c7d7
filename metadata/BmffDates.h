// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "metadata/TiffDates.h"

namespace velmora::locator {

// The dates in the EXIF item of a HEIF file (HEIC, AVIF alike).
std::optional<DateLocation> parseHeif(Bytes& bytes);
// Canon CR3: the EXIF directory is a TIFF of its own in the CMT2 box.
std::optional<DateLocation> parseCr3(Bytes& bytes);
// JPEG XL in its box container: the "Exif" box.
std::optional<DateLocation> parseJpegXl(Bytes& bytes);

} // namespace velmora::locator
