// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

struct stat;

namespace velmora {

// What tells a file from any other that took its place or changed it since.
struct FileIdentity {
    uint64_t dev = 0;
    uint64_t ino = 0;
    int64_t size = 0;
    int64_t mtimeNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

FileIdentity identityOf(const struct stat& st);
// The identity of the regular file at `path` (links not followed), or nullopt.
std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path);

// True when the file system of the file open on `fd` keeps a file's inode
// number for as long as the file lives (ext2/3/4, xfs, btrfs, f2fs, tmpfs).
// FUSE, FAT, exFAT, NTFS and unknown ones may number files anew at each mount;
// a device number may change at each mount anywhere (a card or a drive put back).
bool keepsInodeNumbers(int fd);

// The regular file at `path` against `then`, recorded earlier, perhaps before
// the card was taken out and put back: `same` with the same size, and the
// same inode number where its file system keeps inode numbers; `unchanged`
// when its modification time is the same too. The device number is not
// compared: a card or a drive put back gets a new one. nullopt: no regular file.
struct FileMatch {
    bool same = false;
    bool unchanged = false;
};
std::optional<FileMatch> matchFileAt(const std::filesystem::path& path, const FileIdentity& then);

} // namespace velmora
