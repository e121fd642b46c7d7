// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/OpenFolders.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace velmora {

FileAt OpenFolders::at(const fs::path& path)
{
    constexpr size_t kKept = 4;
    const std::string folder = path.has_parent_path() ? path.parent_path().native() : std::string(".");
    auto it = std::find_if(open_.begin(), open_.end(), [&](const Folder& f) { return f.path == folder; });
    if (it == open_.end()) {
        if (open_.size() == kKept)
            open_.erase(open_.begin());
        open_.push_back({folder, UniqueFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))});
        it = open_.end() - 1;
    } else if (it != open_.end() - 1) {
        std::rotate(it, it + 1, open_.end());
        it = open_.end() - 1;
    }
    if (it->fd.get() < 0)
        return FileAt(path);
    return FileAt(it->fd.get(), path.filename().native(), path);
}

} // namespace velmora
