// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/UniqueFd.h"

#include <fcntl.h>
#include <filesystem>
#include <string>
#include <vector>

namespace velmora {

// A file as the *at() system calls name it: the entry `name` of the open
// folder `dir`, or, with AT_FDCWD, the whole path. `path` is always the
// whole path, for messages and logs.
struct FileAt {
    FileAt(const std::filesystem::path& whole) : name(whole.native()), path(whole) {} // NOLINT: a path is a FileAt
    FileAt(int folder, std::string entry, std::filesystem::path whole)
        : dir(folder), name(std::move(entry)), path(std::move(whole))
    {
    }
    int dir = AT_FDCWD;
    std::string name;
    std::filesystem::path path;
};

// The folders a batch works in, each opened once, so that each of their
// files is looked up by its own name and not by its whole path again and
// again. A folder that cannot be opened is named by its path, as before.
// Held for one batch at a time: a folder renamed meanwhile is followed.
class OpenFolders {
public:
    // The file at `path`, relative to its folder.
    FileAt at(const std::filesystem::path& path);
    void close() { open_.clear(); }

private:
    struct Folder {
        std::string path;
        UniqueFd fd;
    };
    std::vector<Folder> open_; // the last used last; a few: a photo's folder and a prefix's
};

} // namespace velmora
