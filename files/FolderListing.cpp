// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/FileManager.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// FileManager::listFolder and the listing it fills: reading folders apart from moving files.
namespace fs = std::filesystem;

namespace velmora {
namespace {

void listInto(int dirFd, const std::string& relative, FolderListing& out, std::vector<fs::path>* unreadable,
              const fs::path& root, const std::stop_token& stop)
{
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        if (unreadable)
            unreadable->push_back(root / relative);
        return;
    }
    struct Entry {
        std::string name;
        bool isDir;
        bool isFile;
    };
    std::vector<Entry> entries;
    while (struct dirent* entry = stop.stop_requested() ? nullptr : ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        bool isDir = entry->d_type == DT_DIR;
        bool isFile = entry->d_type == DT_REG;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            const bool known = ::fstatat(::dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) == 0;
            isDir = known && S_ISDIR(st.st_mode);
            isFile = known && S_ISREG(st.st_mode);
        }
        entries.push_back({name, isDir, isFile});
    }
    // Byte order of names, as a camera numbers its photos; the file system's
    // own order is a hash on ext4, btrfs and XFS.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    for (const Entry& entry : entries) {
        if (stop.stop_requested())
            break;
        const std::string child = relative.empty() ? entry.name : relative + "/" + entry.name;
        out.append(child, entry.isDir, entry.isFile);
        if (!entry.isDir)
            continue;
        int childFd = ::openat(::dirfd(dir), entry.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (childFd < 0) {
            if (unreadable)
                unreadable->push_back(root / child);
            continue;
        }
        listInto(childFd, child, out, unreadable, root, stop);
    }
    ::closedir(dir);
}

} // namespace

void FolderListing::append(std::string_view relative, bool isFolder, bool isPlainFile)
{
    offsets_.push_back(names_.size());
    folders_.push_back(isFolder);
    plainFiles_.push_back(isPlainFile);
    names_.append(relative);
    names_.push_back('\0');
}

void FolderListing::shrink()
{
    names_.shrink_to_fit();
    offsets_.shrink_to_fit();
    folders_.shrink_to_fit();
    plainFiles_.shrink_to_fit();
}

std::optional<FolderListing> FileManager::listFolder(const fs::path& folder, std::vector<fs::path>* unreadable,
                                                     std::stop_token stop) const
{
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    FolderListing entries;
    listInto(fd, {}, entries, unreadable, folder, stop);
    // Held for the whole walk of the folder: give back what growing left spare.
    entries.shrink();
    return entries;
}

} // namespace velmora
