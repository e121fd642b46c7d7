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

// The date fields a write-back may change: the two above, and the first
// directory's DateTime (Exif.Image.DateTime), the time the photo was last changed.
enum class DateTag { Original, Digitized, Modified };
inline const char* dateTagName(DateTag tag)
{
    return tag == DateTag::Original ? "DateTimeOriginal" : tag == DateTag::Digitized ? "DateTimeDigitized" : "DateTime";
}

} // namespace velmora
