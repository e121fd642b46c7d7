// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/FileIdentity.h"

#include "files/UniqueFd.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>

namespace velmora {

FileIdentity identityOf(const struct stat& st)
{
    return {st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec * 1'000'000'000LL + st.st_mtim.tv_nsec};
}

std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return identityOf(st);
}

bool keepsInodeNumbers(int fd)
{
    constexpr long kF2fs = 0xF2F52010; // not in every header
    struct statfs fsInfo {};
    if (::fstatfs(fd, &fsInfo) != 0)
        return false;
    switch (static_cast<long>(fsInfo.f_type)) {
    case EXT4_SUPER_MAGIC: // ext2 and ext3 too
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case kF2fs:
    case TMPFS_MAGIC:
        return true;
    default:
        return false;
    }
}

std::optional<FileMatch> matchFileAt(const std::filesystem::path& path, const FileIdentity& then)
{
    // O_PATH: no open of the file itself (a FIFO would block), yet a descriptor for fstatfs.
    const UniqueFd fd(::open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    const FileIdentity now = identityOf(st);
    FileMatch match;
    match.same = now.size == then.size && (now.ino == then.ino || !keepsInodeNumbers(fd.get()));
    match.unchanged = match.same && now.mtimeNs == then.mtimeNs;
    return match;
}

} // namespace velmora
