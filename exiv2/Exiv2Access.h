// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "metadata/CaptureDates.h"

#include <string>
#include <utility>
#include <vector>

namespace velmora {

// Every call into exiv2 goes through these two functions and nothing else
// includes exiv2: the library parses hostile bytes and may need confining.

// What became of a date written into a photo, by either route.
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

// The two dates as exiv2 reads them from an open regular file (never throws).
CaptureDates exiv2ReadDates(int fd);

// The whole photo rebuilt by exiv2 with `date` in DateTimeDigitized
// (digitized) or DateTimeOriginal, and each of `more` in its field, checked
// for loss; `bytes` holds the complete new file when status is Written. Never throws.
struct Exiv2Rebuild {
    ExifWriteResult::Status status = ExifWriteResult::Status::EncodeFailed;
    std::string detail;               // technical text for the log when not Written
    std::vector<unsigned char> bytes; // the new file
};
Exiv2Rebuild exiv2RebuildWithDate(int fd, const std::string& date, bool digitized,
                                  const std::vector<std::pair<DateTag, std::string>>& more = {});

} // namespace velmora
