// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace velmora {

// The two EXIF date fields of a file's first image, as far as Velmora needs them.
struct CaptureDates {
    enum class Source {
        NoImageSource, // not a regular file, unreadable, or not an image at all
        NoProperties,  // an image whose metadata could not be read
        NoExif,        // an image without an EXIF block
        Exif,
    };
    Source source = Source::NoImageSource;
    // The text exactly as stored, trailing NULs removed; absent when the field is.
    std::optional<std::string> dateTimeOriginal;
    std::optional<std::string> dateTimeDigitized;
};

} // namespace velmora
