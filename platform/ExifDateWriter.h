#pragma once

#include <filesystem>
#include <string>

namespace velmora {

struct ExifWriteResult {
    enum class Status {
        Written,
        NoImageSource,      // not a regular file, unreadable, or not an image
        NoImageDestination, // a format whose metadata cannot be written (HEIC, AVIF, CR3, ...)
        EncodeFailed,       // the metadata library failed while rebuilding the file
        WriteFailed,        // the new file could not be put in place; the photo is unchanged
    };
    Status status = Status::NoImageSource;
    std::string detail; // technical text for the log, empty when Written
};

// Sets Exif.Photo.DateTimeDigitized (digitized) or Exif.Photo.DateTimeOriginal
// to `date`, unchanged; every other metadata entry and every byte of image data
// stay as they are. The new file is built in memory and replaces the photo
// atomically (temporary file in the same folder, fsync, rename, fsync of the
// folder), so the photo is at every moment the old file or the complete new one.
// A link is followed: the file it points to is rewritten, the link stays.
ExifWriteResult writeExifDate(const std::filesystem::path& photo, const std::string& date, bool digitized);

} // namespace velmora
