// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/FileSystemTraits.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

namespace fs = std::filesystem;

namespace velmora {
namespace {

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when the folder lists an entry spelled exactly `name` (not merely found by it).
bool lists(const fs::path& folder, const std::string& name)
{
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
    if (!dir)
        return true; // unknown: as if case mattered
    while (const dirent* entry = ::readdir(dir.get()))
        if (name == entry->d_name)
            return true;
    return false;
}

} // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) { return lower(x) == lower(y); });
}

bool isSameFile(const fs::path& a, const fs::path& b)
{
    struct stat sa {}, sb {};
    if (::lstat(b.c_str(), &sb) != 0 || ::lstat(a.c_str(), &sa) != 0 || sa.st_dev != sb.st_dev)
        return false;
    if (sa.st_ino == sb.st_ino)
        return true;
    // Only where inode numbers say nothing: a FUSE file system without its own.
    const std::string nameA = a.filename().native(), nameB = b.filename().native();
    return a.parent_path() == b.parent_path() && nameA != nameB && equalsIgnoringCase(nameA, nameB) &&
           !lists(b.parent_path(), nameB);
}

// A probe rather than the file system's type: "fuseblk" can be anything,
// ntfs-3g keeps case unless told otherwise, and ext4 ignores case per folder.
bool ignoresLetterCase(const fs::path& entry)
{
    std::string flipped = entry.filename().native();
    for (char& c : flipped)
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : lower(c);
    return flipped != entry.filename().native() && isSameFile(entry, entry.parent_path() / flipped);
}

} // namespace velmora
