// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/FlushRule.h"

#include <cerrno>
#include <linux/magic.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace velmora {

FlushRule flushRuleOfType(long magic)
{
    // Not every header names these.
    constexpr long kExfat = 0x2011BAB0, kNtfs3 = 0x7366746e, kF2fs = 0xF2F52010;
    switch (magic) {
    case EXT4_SUPER_MAGIC: // ext2 and ext3 too
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case kF2fs:
    case MSDOS_SUPER_MAGIC: // the kernel's vfat
    case kExfat:
    case kNtfs3:
        return FlushRule::WholeFileSystem;
    default: // FUSE (fuseblk and fuse.*), NFS, CIFS/SMB, 9p, anything unknown
        return FlushRule::EachFile;
    }
}

FlushRule flushRuleFor(int fd)
{
    static std::mutex mutex;
    static std::map<dev_t, FlushRule> known;
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return FlushRule::EachFile;
    const std::lock_guard lock(mutex);
    if (const auto it = known.find(st.st_dev); it != known.end())
        return it->second;
    struct statfs fsInfo {};
    if (::fstatfs(fd, &fsInfo) != 0)
        return FlushRule::EachFile;
    return known[st.st_dev] = flushRuleOfType(static_cast<long>(fsInfo.f_type));
}

int syncFolder(int dirFd)
{
    return ::fsync(dirFd) == 0 || errno == EINVAL ? 0 : errno;
}

} // namespace velmora
