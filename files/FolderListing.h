// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The entries below a folder, as paths relative to it, in one block of
// memory: an entry costs its name and a few bytes, not a path object of its own.
class FolderListing {
public:
    size_t size() const { return offsets_.size(); }
    // The relative path of entry `i` ("sub/IMG_0001.JPG").
    std::string_view operator[](size_t i) const
    {
        const size_t end = i + 1 < offsets_.size() ? offsets_[i + 1] - 1 : names_.size() - 1;
        return std::string_view(names_).substr(offsets_[i], end - offsets_[i]);
    }
    // True for an entry that was a folder when listed (a link to one is not).
    bool isFolder(size_t i) const { return folders_[i]; }
    // True for an entry that was a regular file when listed (a link to one is not).
    bool isPlainFile(size_t i) const { return plainFiles_[i]; }
    void append(std::string_view relative, bool isFolder = false, bool isPlainFile = false);
    void shrink();

private:
    std::string names_; // each entry followed by a NUL
    std::vector<size_t> offsets_;
    std::vector<bool> folders_;
    std::vector<bool> plainFiles_;
};

} // namespace velmora
