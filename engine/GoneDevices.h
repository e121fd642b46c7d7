// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace velmora {

// The file systems found gone during one batch (a card pulled, a share or its
// FUSE daemon lost): their photos are not tried again, so a dead share cannot
// make the batch wait photo after photo. Used by one batch's worker thread.
class GoneDevices {
public:
    // True when `path` lies on a file system found gone; no system call.
    bool covers(const std::filesystem::path& path) const;
    // True when `code`, or without one a look at `path` (one lstat), says that
    // the file system of `path` is gone: it is covered from then on.
    bool check(const std::filesystem::path& path, int code = 0);
    // The error by which the file system of `path` was found gone, 0 when it was not.
    int codeFor(const std::filesystem::path& path) const;

private:
    struct Gone {
        std::string mountPoint;
        int code;
    };
    const Gone* find(const std::filesystem::path& path) const;
    std::vector<Gone> gone_;
};

} // namespace velmora
