// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/FileIdentity.h"
#include "files/FolderListing.h"
#include "files/OpenFolders.h"
#include "files/Placement.h"

#include <filesystem>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace velmora {

// What went wrong in a move or copy. `code` is kAlreadyExists when something
// already sits at the target; any other failure carries errno as the system
// gave it, so that a device gone mid-batch (EIO, ENODEV, ENOTCONN, ESTALE)
// can be told from a photo that failed. EIO also for a source that ends
// before its size; EBUSY for a source changed or replaced while it was copied.
struct FileError {
    static constexpr int kAlreadyExists = 516;
    int code = 0;
    std::string description; // full technical text, for the log
    bool folderMissing = false; // ENOENT because the target's folder does not exist
    bool copy = false;          // a copy failed, not a move
    std::filesystem::path source;
    std::filesystem::path target;
};

// Gives the unnamed (O_TMPFILE) file `fd` the name `name` in the folder
// `dirFd`: 0, or errno (EEXIST rather than replace anything).
int linkUnnamed(int fd, int dirFd, const char* name);

// The path's text without doubled or trailing "/" ("/a//b/" gives "/a/b"),
// links not resolved: two texts of one path compare equal.
std::filesystem::path cleanPathText(const std::filesystem::path& path);

// File operations on byte-exact paths. Moves and copies never replace what
// already exists at the target path.
class FileManager {
public:
    // Copies are made in an unnamed file (O_TMPFILE) where the file system
    // allows it; off: always in a hidden named one, as on vfat, exFAT, NFS...
    // `route`: how a file gets its name (Placement.h).
    explicit FileManager(bool unnamedTempFiles = true, PlacementRoute route = PlacementRoute::Best)
        : unnamedTempFiles_(unnamedTempFiles), route_(route)
    {
    }

    // True when anything holds the name, a link to nothing too: a name that cannot be taken.
    bool fileExists(const std::filesystem::path& path) const;
    // True when the path leads to something (links followed); `isDirectory`
    // tells whether it is a folder (a link to a folder counts as one).
    bool fileExists(const std::filesystem::path& path, bool& isDirectory) const;
    // True when both names are one file: on a file system that ignores letter
    // case, IMG_0001.JPG and img_0001.jpg; `a` is the name the folder lists.
    bool isSameFile(const std::filesystem::path& a, const std::filesystem::path& b) const;

    // Every entry below `folder` at any depth, relative to it: each folder's
    // entries in byte order of their names, a sub-folder's entries right after
    // it; links to folders are listed, not descended. Sub-folders that cannot
    // be read are skipped and reported in `unreadable`. nullopt when `folder`
    // itself cannot be listed. Once `stop` is requested the listing ends early
    // with what it has.
    std::optional<FolderListing> listFolder(const std::filesystem::path& folder,
                                            std::vector<std::filesystem::path>* unreadable = nullptr,
                                            std::stop_token stop = {}) const;

    // `made` gets the identity of the file placed when it is a new one (a
    // copy, or a move to another file system); a rename keeps the file.
    std::optional<FileError> moveItem(const FileAt& source, const FileAt& target,
                                      std::optional<FileIdentity>* made = nullptr) const;
    std::optional<FileError> copyItem(const FileAt& source, const FileAt& target,
                                      std::optional<FileIdentity>* made = nullptr) const;

private:
    bool unnamedTempFiles_;
    PlacementRoute route_;
};

} // namespace velmora
