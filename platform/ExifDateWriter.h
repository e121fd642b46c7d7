#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace velmora {

struct ExifWriteResult {
    enum class Status {
        Written,
        NoImageSource,      // not a regular file, unreadable, or not an image
        NoImageDestination, // a format whose metadata cannot be written (HEIC, AVIF, CR3, ...)
        EncodeFailed,       // the metadata library failed, or would have lost metadata or images
        WriteFailed,        // the new file could not be put in place; the photo is unchanged
    };
    Status status = Status::NoImageSource;
    std::string detail; // technical text for the log, empty when Written
};

struct ExifWriteOptions {
    // Build the new file as an unnamed file (O_TMPFILE) where the file system
    // allows it, so that a process killed while writing leaves nothing behind.
    // Off: always a named temporary file (what happens on vfat, exFAT, NFS...).
    bool unnamedTempFile = true;
};

// Sets Exif.Photo.DateTimeDigitized (digitized) or Exif.Photo.DateTimeOriginal
// to `date`, unchanged; every other metadata entry and every byte of image data
// stay as they are. A photo without EXIF gets an EXIF block holding that one
// field. The new file is built in memory, checked to hold all the old metadata
// and images, and replaces the photo atomically (temporary file in the same
// folder, fsync, rename, fsync of the folder), so the photo is at every moment
// the old file or the complete new one. A link is followed: the file it points
// to is rewritten, the link stays.
ExifWriteResult writeExifDate(const std::filesystem::path& photo, const std::string& date, bool digitized,
                              const ExifWriteOptions& options = {});

// The name of the temporary file that a write-back into `photoName` uses in the
// photo's folder. A process killed between naming it and renaming it over the
// photo leaves it behind; the next write-back into the same photo removes it.
std::string writeBackTempName(const std::string& photoName);
// True for a name that writeBackTempName gives: never a photo of its own.
bool isWriteBackTempName(std::string_view name);

} // namespace velmora
