// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string_view>

// Facts about the file system of a folder that placement and grouping depend
// on. Self-contained: libc only.
namespace velmora {

// True when `a` and `b` differ at most in the case of ASCII letters.
bool equalsIgnoringCase(std::string_view a, std::string_view b);

// True when the folder of `entry` (an existing entry) also finds it under its
// name with every ASCII letter's case flipped: a file system or folder that
// ignores letter case (exFAT, FAT, NTFS as Windows made it, an ext4 casefold
// folder, SMB shares). False when the name has no letter. One failed lookup
// where case matters.
bool ignoresLetterCase(const std::filesystem::path& entry);

// True when `a` and `b` name one file: same device and inode, or, on a FUSE
// file system that numbers inodes per name spelled (exfat-fuse), names of one
// folder that differ only in letter case of which the folder lists just `a`.
bool isSameFile(const std::filesystem::path& a, const std::filesystem::path& b);

} // namespace velmora
