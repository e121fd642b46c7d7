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

} // namespace velmora
