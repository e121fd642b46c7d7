// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>
#include <vector>

namespace velmora {

// Files that move together: the files of one shot (same folder, same name
// without extension: a raw and its JPEG) and their companions, the sidecars
// of photo editors (IMG_0001.xmp, IMG_0001.CR2.xmp, .pp3, .dop) and a phone's
// live-photo video (IMG_0001.MOV). A lone file is a set of one member.
struct PhotoSet {
    std::vector<std::filesystem::path> members;
    std::vector<std::filesystem::path> companions;
    // Members taken from a folder's listing and not looked at since: one gone
    // meanwhile, or a link to a folder, is passed over without a word.
    bool listed = false;
};

// A sidecar's or live-photo video's name (by its extension, in any letter case).
bool isCompanionName(std::string_view path);
// "dir/IMG_0001" for "dir/IMG_0001.CR2"; a name's leading dot starts no extension.
std::string_view stemOf(std::string_view path);

// The sets among the files of one listing, as positions in it. Every file is
// in exactly one set; a sidecar whose photo is not in the listing is a set of
// its own; a video without a photo of its name is a member, its sidecars with it. Sorting, not hashing: O(n log n) time, a few bytes per entry.
class PhotoSets {
public:
    static constexpr size_t npos = UINT32_MAX;

    // `paths` in listing order; an empty entry is not a file and belongs to no set.
    // `ignoreCase`: names that differ only in ASCII letter case are one name,
    // as on the file system the listing comes from (IMG_0001.JPG, img_0001.xmp).
    explicit PhotoSets(const std::vector<std::string_view>& paths, bool ignoreCase = false)
        : PhotoSets(paths.size(), [&paths](size_t i) { return paths[i]; }, ignoreCase)
    {
    }
    // The same with `pathAt(i)` for the i-th of `count` paths: a large folder's
    // walk keeps no second list of its names.
    PhotoSets(size_t count, const std::function<std::string_view(size_t)>& pathAt, bool ignoreCase = false);

    // True at the first member of a set: where the set is handed on.
    bool isFirst(size_t i) const { return flags_[i] & kFirst; }
    bool isCompanion(size_t i) const { return flags_[i] & kCompanion; }
    // The next file of i's set (members, then companions, each in listing order), or npos.
    size_t next(size_t i) const { return next_[i]; }

private:
    static constexpr uint8_t kFirst = 1, kCompanion = 2;
    std::vector<uint32_t> next_;
    std::vector<uint8_t> flags_;
};

} // namespace velmora
