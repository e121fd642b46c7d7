// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/LiveOptions.h"
#include "engine/PhotoReports.h"
#include "files/FileIdentity.h"
#include "files/OpenFolders.h"
#include "metadata/CaptureDates.h"

#include <filesystem>
#include <optional>
#include <string>

namespace velmora {

// Reads the capture dates. Never throws and never blocks on a FIFO or device:
// only regular files are opened. `identity`, when given, gets the identity of
// the file read, as it was opened.
CaptureDates readCaptureDates(const FileAt& file, std::optional<FileIdentity>* identity = nullptr);

// The field a photo is named after, true for DateTimeDigitized: the chosen
// one, or the other where only it holds a usable date and the stored
// preference allows it.
bool namingField(const CaptureDates& dates, const OptionSnapshot& options);

// A photo's capture date as the options want it.
struct MemberDate {
    std::string shifted;                  // the naming field's date, shifted when asked
    std::string original;                 // the field's text before the shift
    bool digitized = false;               // the naming field
    std::optional<FileIdentity> identity; // the file as it was read
    bool video = false;                   // a video, named by its recorded date
};

// The date of the photo `file` as the options want it; nullopt without one. Reports nothing.
std::optional<MemberDate> usableMemberDate(const FileAt& file, const OptionSnapshot& options);

// The date of the photo `file`, or nullopt once it is reported as not found,
// not reached (its file system gone) or without a usable date. `listed`: taken
// from a folder's listing, so one gone since or a link to a folder is passed
// over without a report.
std::optional<MemberDate> readMemberDate(const FileAt& file, const OptionSnapshot& options, PhotoReports& reports,
                                         bool listed = false);

} // namespace velmora
