// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace velmora {

// Writes `data` into a new file in the folder `dirFd` and renames it over the
// entry `name` (which `entry` describes, as lstat saw it when the photo was
// read), with the owner, group, mode and extended attributes of the photo
// open on `originalFd` (`original`), or not at all (EPERM). An unnamed file
// (O_TMPFILE) is used where the file system has them and `unnamed` asks for
// it, else a named temporary file. 0, or errno (EAGAIN: the entry, or our
// temporary file's name, changed meanwhile); before the rename a failure
// leaves the photo untouched and no temporary file; after it, the folder's
// flush failed and the new photo may not outlast a power cut.
int replaceAtomically(int dirFd, const std::string& name, int originalFd, const struct stat& original,
                      const struct stat& entry, std::span<const unsigned char> data, bool unnamed);

} // namespace velmora
