// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AtomicReplace.h"

#include "platform/FileIdentity.h"
#include "platform/FileManager.h"
#include "platform/PosixIo.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace velmora {
namespace {

constexpr std::string_view kTempSuffix = ".velmora-tmp";

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Removes a temporary file left by a write-back that was killed. One still
// held (locked) by a running write-back is left alone: EBUSY.
int removeStaleTemp(int dirFd, const std::string& tempName)
{
    struct stat held {};
    struct stat named {};
    int error = 0;
    const UniqueFd stale = openRegularFile(dirFd, tempName.c_str(), O_RDONLY | O_NOFOLLOW, held, error);
    if (error != 0)
        return error == ENOENT ? 0 : EEXIST;
    if (::flock(stale.get(), LOCK_EX | LOCK_NB) != 0)
        return EBUSY;
    if (::fstatat(dirFd, tempName.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(held, named))
        ::unlinkat(dirFd, tempName.c_str(), 0);
    return 0;
}

// A new unnamed file in the folder, or -1 with errno; errno 0 when the file
// system has no unnamed files and a named one must be used instead.
int openUnnamed(int dirFd)
{
    const int fd = ::openat(dirFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL))
        errno = 0;
    return fd;
}

int createNamed(int dirFd, const std::string& tempName)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = ::openat(dirFd, tempName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
        if (const int err = removeStaleTemp(dirFd, tempName); err != 0) {
            errno = err;
            return -1;
        }
    }
    errno = EEXIST;
    return -1;
}

void copyExtendedAttributes(int from, int to)
{
    // Best effort: ACLs, SELinux labels and user tags follow the photo where
    // the file system and our rights allow it.
    const ssize_t listSize = ::flistxattr(from, nullptr, 0);
    if (listSize <= 0)
        return;
    std::vector<char> names(static_cast<size_t>(listSize));
    const ssize_t got = ::flistxattr(from, names.data(), names.size());
    if (got <= 0)
        return;
    for (size_t at = 0; at < static_cast<size_t>(got);) {
        const char* name = names.data() + at;
        at += std::strlen(name) + 1;
        const ssize_t size = ::fgetxattr(from, name, nullptr, 0);
        if (size < 0)
            continue;
        std::vector<char> value(static_cast<size_t>(size));
        const ssize_t read = ::fgetxattr(from, name, value.data(), value.size());
        if (read >= 0)
            static_cast<void>(::fsetxattr(to, name, value.data(), static_cast<size_t>(read), 0));
    }
}

// Writes `data` into a new file in the folder `dirFd` and renames it over
// `name`. 0 on success, else errno; on failure the photo is untouched and no
// temporary file is left.
} // namespace

int replaceAtomically(int dirFd, const std::string& name, int originalFd, const struct stat& original,
                      const struct stat& entry, std::span<const unsigned char> data, bool unnamed)
{
    const std::string tempName = writeBackTempName(name);
    UniqueFd temp(unnamed ? openUnnamed(dirFd) : -1);
    if (temp.get() < 0 && unnamed && errno != 0)
        return errno;
    bool named = false;
    if (temp.get() < 0) {
        temp.reset(createNamed(dirFd, tempName));
        if (temp.get() < 0)
            return errno;
        named = true;
    }
    // Held until the rename is done: a locked temporary file is never taken for a stale one.
    if (::flock(temp.get(), LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        if (named)
            ::unlinkat(dirFd, tempName.c_str(), 0);
        return err;
    }
    auto removeNamed = [&] {
        struct stat ours {};
        struct stat there {};
        if (named && ::fstat(temp.get(), &ours) == 0 &&
            ::fstatat(dirFd, tempName.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(ours, there))
            ::unlinkat(dirFd, tempName.c_str(), 0);
    };

    int err = writeFull(temp.get(), data.data(), data.size());
    if (err == 0) {
        // Owner first: a change of owner clears the set-user-ID and set-group-ID bits.
        static_cast<void>(::fchown(temp.get(), ::geteuid() == 0 ? original.st_uid : uid_t(-1), original.st_gid));
        if (::fchmod(temp.get(), original.st_mode & 07777) != 0)
            err = errno;
    }
    if (err == 0) {
        copyExtendedAttributes(originalFd, temp.get());
        if (::fsync(temp.get()) != 0)
            err = errno;
    }
    if (err == 0 && !named) {
        err = linkUnnamed(temp.get(), dirFd, tempName.c_str());
        if (err == EEXIST && (err = removeStaleTemp(dirFd, tempName)) == 0)
            err = linkUnnamed(temp.get(), dirFd, tempName.c_str());
        named = err == 0;
    }
    if (err == 0) {
        // Someone else's change to the photo since we read it is not ours to overwrite.
        struct stat now {};
        if (::fstatat(dirFd, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0)
            err = errno;
        else if (identityOf(now) != identityOf(entry))
            err = EAGAIN;
    }
    if (err == 0 && ::renameat(dirFd, tempName.c_str(), dirFd, name.c_str()) != 0)
        err = errno;
    if (err != 0) {
        removeNamed();
        return err;
    }
    temp.reset();
    // The rename itself must survive a power cut too.
    ::fsync(dirFd);
    return 0;
}

bool isWriteBackTempName(std::string_view name)
{
    return name.size() > kTempSuffix.size() + 1 && name.front() == '.' && name.ends_with(kTempSuffix);
}

std::string writeBackTempName(const std::string& photoName)
{
    const std::string suffix(kTempSuffix);
    if (photoName.size() + 1 + suffix.size() <= NAME_MAX)
        return "." + photoName + suffix;
    // No room for the decoration: a name derived from a hash of the photo's name (FNV-1a).
    uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : photoName)
        hash = (hash ^ c) * 1099511628211ull;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return std::string(".velmora-") + hex + suffix;
}

} // namespace velmora
