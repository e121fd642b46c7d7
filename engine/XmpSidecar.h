// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/OpenFolders.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// A date property of an XMP sidecar ("exif:DateTimeOriginal", "xmp:CreateDate",
// "xmp:ModifyDate", "photoshop:DateCreated", named by these usual prefixes
// whatever the file uses), its value as stored before and after.
struct SidecarDate {
    std::string property;
    std::string oldText;
    std::string newText;
};

// The new value of a property from its value as stored; nullopt leaves it.
using SidecarEdit = std::function<std::optional<std::string>(const std::string& property, const std::string& value)>;

// Every date property of the XMP sidecar `sidecar` (attribute or element)
// that `edit` gives a new value: only those values' characters change, every
// other byte stays. Written through a temporary file in the same folder
// with the sidecar's owner, group and mode (fsync, rename, fsync of the
// folder). A sidecar that is not well-formed UTF-8 XML, or where nothing
// changes, is left untouched. `changes` gets what was written; false (logged)
// when it could not be.
bool editSidecarDates(const FileAt& sidecar, const SidecarEdit& edit, std::vector<SidecarDate>& changes);

// An XMP date ("2021-06-01", "2021-06-01T10:20", "...T10:20:30", "...T10:20:30.25",
// each with or without a zone as "Z" or "+02:00") moved by `seconds` of wall-clock
// time in its own form: a zone stays, fractions stay, a form without seconds
// drops them, a date alone moves by whole days. nullopt for anything else.
std::optional<std::string> shiftXmpDate(std::string_view value, long long seconds);

// True for an XMP sidecar's name ("IMG_1.xmp", "IMG_1.CR2.XMP").
bool isXmpSidecar(const std::string& name);

} // namespace velmora
