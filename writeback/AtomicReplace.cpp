// SPDX-License-Identifier: GPL-3.0-or-later
#include "writeback/AtomicReplace.h"

#include "files/FileIdentity.h"
#include "files/FileManager.h"
#include "files/FlushRule.h"
#include "files/Placement.h"
#include "files/PosixIo.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace velmora {
namespace {


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

// The names of a file's extended attributes, or nullopt with errno.
std::optional<std::vector<std::string>> attributeNames(int fd)
{
    std::vector<char> list(4096);
    ssize_t got = 0;
    while ((got = ::flistxattr(fd, list.data(), list.size())) < 0 && errno == ERANGE)
        list.resize(list.size() * 4);
    if (got < 0)
        return errno == ENOTSUP ? std::optional(std::vector<std::string>{}) : std::nullopt;
    std::vector<std::string> names;
    for (size_t at = 0; at < static_cast<size_t>(got); at += names.back().size() + 1)
        names.emplace_back(list.data() + at);
    return names;
}

std::optional<std::string> attribute(int fd, const std::string& name)
{
    const ssize_t size = ::fgetxattr(fd, name.c_str(), nullptr, 0);
    std::string value(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    const ssize_t got = size < 0 ? size : ::fgetxattr(fd, name.c_str(), value.data(), value.size());
    if (got < 0)
        return std::nullopt;
    value.resize(static_cast<size_t>(got));
    return value;
}

// The extended attributes (ACLs, SELinux labels, user tags) of `from` given
// to `to`, and only those (an inherited default ACL removed): 0, or errno.
int copyExtendedAttributes(int from, int to)
{
    const auto wanted = attributeNames(from), present = attributeNames(to);
    if (!wanted || !present)
        return errno;
    for (const std::string& name : *present)
        if (std::find(wanted->begin(), wanted->end(), name) == wanted->end() && ::fremovexattr(to, name.c_str()) != 0)
            return errno;
    for (const std::string& name : *wanted) {
        const std::optional<std::string> value = attribute(from, name);
        if (!value)
            return errno;
        if (attribute(to, name) != value && ::fsetxattr(to, name.c_str(), value->data(), value->size(), 0) != 0)
            return errno;
    }
    return 0;
}

// Owner, group and mode of the photo given to the new file, or EPERM: a
// rebuilt photo that someone else owned must not become ours.
int copyOwnership(int fd, const struct stat& original)
{
    // Owner first: a change of owner clears the set-user-ID and set-group-ID bits.
    static_cast<void>(::fchown(fd, original.st_uid, original.st_gid));
    if (::fchmod(fd, original.st_mode & 07777) != 0)
        return errno;
    struct stat now {};
    if (::fstat(fd, &now) != 0)
        return errno;
    return now.st_uid == original.st_uid && now.st_gid == original.st_gid &&
                   (now.st_mode & 07777) == (original.st_mode & 07777)
               ? 0
               : EPERM;
}

} // namespace

int replaceAtomically(int dirFd, const std::string& name, int originalFd, const struct stat& original,
                      const struct stat& entry, std::span<const unsigned char> data, bool unnamed)
{
    const std::string tempName = temporaryNameFor(name);
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
    if (err == 0)
        err = copyOwnership(temp.get(), original);
    if (err == 0)
        err = copyExtendedAttributes(originalFd, temp.get());
    if (err == 0 && ::fsync(temp.get()) != 0)
        err = errno;
    if (err == 0 && !named) {
        err = linkUnnamed(temp.get(), dirFd, tempName.c_str());
        if (err == EEXIST && (err = removeStaleTemp(dirFd, tempName)) == 0)
            err = linkUnnamed(temp.get(), dirFd, tempName.c_str());
        named = err == 0;
    }
    if (err == 0) {
        // Someone else's change to the photo since we read it is not ours to
        // overwrite; and the temporary name must still be our file: a named one
        // can be taken for stale (and replaced) between its creation and our lock.
        struct stat now {};
        struct stat ours {};
        struct stat there {};
        if (::fstatat(dirFd, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0 || ::fstat(temp.get(), &ours) != 0 ||
            ::fstatat(dirFd, tempName.c_str(), &there, AT_SYMLINK_NOFOLLOW) != 0)
            err = errno;
        else if (identityOf(now) != identityOf(entry) || !sameFile(ours, there))
            err = EAGAIN;
    }
    if (err == 0 && ::renameat(dirFd, tempName.c_str(), dirFd, name.c_str()) != 0)
        err = errno;
    if (err != 0) {
        removeNamed();
        return err;
    }
    temp.reset();
    // The rename itself must survive a power cut too: a photo replaced but not
    // durably is reported, not taken for written.
    return syncFolder(dirFd);
}

} // namespace velmora
