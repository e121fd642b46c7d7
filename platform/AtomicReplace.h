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

// The name of the temporary file that a write-back into `photoName` uses in the
// photo's folder. A process killed between naming it and renaming it over the
// photo leaves it behind; the next write-back into the same photo removes it.
std::string writeBackTempName(const std::string& photoName);
// True for a name that writeBackTempName gives: never a photo of its own.
bool isWriteBackTempName(std::string_view name);

} // namespace velmora
