// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/Placement.h"

#include "files/UniqueFd.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace velmora {
namespace {

// The route is chosen once per file system, not per photo. renameat2 with
// RENAME_NOREPLACE comes first everywhere: one call, the only one on ext4,
// xfs, btrfs, tmpfs and on FAT and exFAT in the kernel. Where it is refused
// (EINVAL: FUSE file systems such as exfat-fuse and GVfs, whose kernel side
// answers at once after the first refusal), the device of the file is looked
// up in this table: a device known to have no hard links goes straight to the
// placeholder; any other tries a hard link, and the link's first refusal
// (EPERM, EOPNOTSUPP) enters the device here for the rest of the process. A
// device number reused by a later mount only costs that mount the slower route.
std::mutex tableMutex;
std::vector<dev_t> devicesWithoutLinks;

bool hasNoLinks(dev_t device)
{
    const std::lock_guard lock(tableMutex);
    return std::find(devicesWithoutLinks.begin(), devicesWithoutLinks.end(), device) != devicesWithoutLinks.end();
}

void learnNoLinks(dev_t device)
{
    const std::lock_guard lock(tableMutex);
    if (std::find(devicesWithoutLinks.begin(), devicesWithoutLinks.end(), device) == devicesWithoutLinks.end())
        devicesWithoutLinks.push_back(device);
}

// True while `name` is the empty placeholder `ours`: nobody has put anything in its place.
bool stillOurs(int dir, const char* name, const struct stat& ours)
{
    struct stat now {};
    return ::fstatat(dir, name, &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == ours.st_dev &&
           now.st_ino == ours.st_ino && S_ISREG(now.st_mode) && now.st_size == 0;
}

int overPlaceholder(int fromDir, const char* from, int toDir, const char* to)
{
    struct stat ours {};
    {
        const UniqueFd fd(::openat(toDir, to, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (fd.get() < 0)
            return errno;
        if (::fstat(fd.get(), &ours) != 0) {
            const int err = errno;
            ::unlinkat(toDir, to, 0); // made by us a moment ago
            return err;
        }
    }
    if (!stillOurs(toDir, to, ours))
        return EEXIST; // someone else's now: left alone
    if (::renameat(fromDir, from, toDir, to) == 0)
        return 0;
    const int err = errno;
    if (stillOurs(toDir, to, ours))
        ::unlinkat(toDir, to, 0);
    return err;
}

} // namespace

int renameNoReplace(int fromDir, const char* from, int toDir, const char* to, PlacementRoute route)
{
    if (route == PlacementRoute::Best) {
        if (::renameat2(fromDir, from, toDir, to, RENAME_NOREPLACE) == 0)
            return 0;
        if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
            return errno;
        struct stat st {};
        if (::fstatat(fromDir, from, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return errno;
        if (!hasNoLinks(st.st_dev)) {
            // A hard link cannot replace a file either.
            if (::linkat(fromDir, from, toDir, to, 0) == 0) {
                if (::unlinkat(fromDir, from, 0) == 0)
                    return 0;
                const int err = errno;
                ::unlinkat(toDir, to, 0);
                return err;
            }
            if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS)
                return errno;
            learnNoLinks(st.st_dev);
        }
    }
    return overPlaceholder(fromDir, from, toDir, to);
}

namespace {
constexpr std::string_view kTempSuffix = ".velmora-tmp";
} // namespace

bool isTemporaryName(std::string_view name)
{
    return name.size() > kTempSuffix.size() + 1 && name.front() == '.' && name.ends_with(kTempSuffix);
}

std::string temporaryNameFor(const std::string& name)
{
    const std::string suffix(kTempSuffix);
    if (name.size() + 1 + suffix.size() <= NAME_MAX)
        return "." + name + suffix;
    // No room for the decoration: a name derived from a hash of the photo's name (FNV-1a).
    uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : name)
        hash = (hash ^ c) * 1099511628211ull;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return std::string(".velmora-") + hex + suffix;
}

} // namespace velmora
