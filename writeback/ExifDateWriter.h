// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "exiv2/Exiv2Access.h"
#include "files/FileIdentity.h"
#include "files/OpenFolders.h"
#include "writeback/AtomicReplace.h"
#include "writeback/WriteAheadLog.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

struct ExifWriteOptions {
    // Build the new file as an unnamed file (O_TMPFILE) where the file system
    // allows it, so that a process killed while writing leaves nothing behind.
    // Off: always a named temporary file (what happens on vfat, exFAT, NFS...).
    bool unnamedTempFile = true;
    // Write the date over the old one where the photo allows it (see below).
    // Off: always the whole-file route.
    bool patchInPlace = true;
    // Where set, a patch in place is only staged (stagePatch): Written then
    // means that the ticket put here tells, once done(), what became of it.
    std::shared_ptr<const PatchTicket>* staged = nullptr;
    // Where set, the photo as it was read: a file found otherwise (changed,
    // or another one in its place) is left as it is (WriteFailed, EAGAIN).
    const FileIdentity* unchangedSince = nullptr;
};

// A date field's text before and after a write-back.
struct DateChange {
    DateTag tag = DateTag::Original;
    std::string oldText;
    std::string newText;
    bool operator==(const DateChange&) const = default;
};

// The new text of a date field from its text as stored; nullopt leaves it.
using DateEdit = std::function<std::optional<std::string>(DateTag, const std::string&)>;
// Told what would change before anything is: false leaves the photo as it is (WriteFailed, EAGAIN).
using DateApproval = std::function<bool(const std::vector<DateChange>&)>;

// Sets Exif.Photo.DateTimeDigitized (digitized) or Exif.Photo.DateTimeOriginal
// to `date`, unchanged; every other metadata entry and every byte of image data
// stay as they are.
//
// Where the field holds a 20-byte text (a date and its NUL) in a format the
// date locator reads, the photo is a regular file with one link, and `date`
// has 19 characters, its bytes are written over the old ones in place (and a
// PNG chunk's CRC with them), logged so that a crash or a power cut leaves
// the old or the new file (WriteAheadLog.h; the photo's flush comes with its
// group's, at the latest when the batch ends): nothing else in the file
// changes, and inode, owner, permissions and extended attributes stay.
//
// Otherwise exiv2 builds the new file in memory, checked to hold all the old
// metadata and images (a photo without EXIF gets an EXIF block holding that one
// field), and it replaces the photo's directory entry atomically (temporary
// file in the same folder with the photo's owner, group, mode and extended
// attributes, or no replacement; fsync, rename, fsync of the folder). A photo
// that the user may not write is written by neither route. A second hard
// link keeps the old photo; a symbolic link is replaced, and the file it
// points to stays as it is.
ExifWriteResult writeExifDate(const FileAt& photo, const std::string& date, bool digitized,
                              const ExifWriteOptions& options = {});

// Every date field of the photo (the two capture dates and DateTime) that
// `edit` gives a new text, written as writeExifDate writes one, all at once:
// in place as one logged patch where each has room for exactly its new text,
// else all in one new file. A field that is absent stays absent. The fields
// are read as the date locator reads them; where it cannot, as exiv2 does,
// and then DateTime stays as it is (logged). `changes` gets what was written.
ExifWriteResult writeExifDates(const FileAt& photo, const DateEdit& edit, std::vector<DateChange>& changes,
                               const ExifWriteOptions& options = {}, const DateApproval& approve = {});

} // namespace velmora
