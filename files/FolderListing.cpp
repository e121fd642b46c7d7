// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/FileManager.h"

#include <algorithm>
#include <cstdint>
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
    // The names in one block, sorted through their places in it: a folder of a
    // million photos costs their names and 12 bytes each, not a string object each.
    struct Entry {
        uint32_t offset;
        uint32_t size;
        bool isDir;
        bool isFile;
    };
    std::string names;
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
        const size_t size = std::strlen(name);
        if (names.size() + size >= UINT32_MAX) { // 4 GiB of names in one folder: not listed whole, so not at all
            ::closedir(dir);
            if (unreadable)
                unreadable->push_back(root / relative);
            return;
        }
        entries.push_back({static_cast<uint32_t>(names.size()), static_cast<uint32_t>(size), isDir, isFile});
        names.append(name, size + 1); // with its NUL, for openat
    }
    auto nameOf = [&](const Entry& e) { return std::string_view(names.data() + e.offset, e.size); };
    // Byte order of names, as a camera numbers its photos; the file system's
    // own order is a hash on ext4, btrfs and XFS.
    std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) { return nameOf(a) < nameOf(b); });
    for (const Entry& entry : entries) {
        if (stop.stop_requested())
            break;
        std::string child = relative.empty() ? std::string() : relative + "/";
        child += nameOf(entry);
        out.append(child, entry.isDir, entry.isFile);
        if (!entry.isDir)
            continue;
        int childFd = ::openat(::dirfd(dir), names.data() + entry.offset, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
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
