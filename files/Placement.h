// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace velmora {

// How a file gets its new name without replacing what holds that name.
enum class PlacementRoute {
    // renameat2(RENAME_NOREPLACE); where the file system refuses the flag, a
    // hard link and an unlink; where it has no hard links, a placeholder.
    Best,
    // Always the placeholder (below): for tests on a file system that has the others.
    Placeholder,
};

// Gives the file `from` (relative to the folder `fromDir`, or AT_FDCWD) the
// name `to` (relative to `toDir`) on the same file system, never replacing
// anything: 0, or errno (EEXIST when the name is held, in any letter case
// where the file system ignores case; EXDEV across file systems).
//
// The placeholder route: `to` is reserved with an empty file of ours
// (O_CREAT|O_EXCL), and the file is renamed over it once it is checked to be
// still ours (same device and inode, still empty). On failure nothing of ours
// is left behind.
int renameNoReplace(int fromDir, const char* from, int toDir, const char* to,
                    PlacementRoute route = PlacementRoute::Best);

// The hidden name of the temporary file that a copy or a write-back into
// `name` uses in the same folder. A process killed between naming it and
// renaming it over the target leaves it behind; the next write-back into the
// same photo removes it.
std::string temporaryNameFor(const std::string& name);
// True for a name that temporaryNameFor gives: never a photo of its own.
bool isTemporaryName(std::string_view name);

} // namespace velmora
