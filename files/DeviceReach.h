// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>

namespace velmora {

// Whether a file system is still there: a card pulled, a share or its FUSE daemon lost.

// True for the errors by which a file system that is gone answers.
bool isGoneDeviceError(int code);
// The errno with which `path` cannot be looked at now (one lstat), 0 when it can.
int reachError(const std::filesystem::path& path);
// True when `path` is `mountPoint` or lies below it (texts, no lookup).
bool liesOn(const std::string& mountPoint, const std::string& path);
// The mount point that holds `path`, from /proc/self/mountinfo, without
// touching the path itself (a dead share would make that wait).
std::filesystem::path mountPointOf(const std::filesystem::path& path);

} // namespace velmora
