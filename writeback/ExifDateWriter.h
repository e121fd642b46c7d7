// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "exiv2/Exiv2Access.h"
#include "files/FileIdentity.h"
#include "files/OpenFolders.h"
#include "writeback/AtomicReplace.h"
#include "writeback/WriteAheadLog.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

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

} // namespace velmora
