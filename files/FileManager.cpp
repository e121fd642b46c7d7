// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/FileManager.h"

#include "files/FileIdentity.h"
#include "files/FileSystemTraits.h"
#include "files/Placement.h"
#include "files/PosixIo.h"
#include "files/UniqueFd.h"


#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace fs = std::filesystem;

namespace velmora {
namespace {

FileError makeError(int err, const char* verb, const FileAt& from, const FileAt& to)
{
    const fs::path& source = from.path;
    const fs::path& target = to.path;
    FileError e;
    e.code = err == EEXIST ? FileError::kAlreadyExists : err;
    e.description = errnoText(
        std::string("Could not ") + verb + " \"" + source.native() + "\" to \"" + target.native() + "\"", err);
    // A prefix such as "Rome/" names a folder: the user is told when that folder is what is missing.
    struct stat st {};
    e.folderMissing = err == ENOENT && ::stat(target.parent_path().c_str(), &st) != 0;
    e.copy = std::strcmp(verb, "copy") == 0;
    e.source = source;
    e.target = target;
    return e;
}

// Copies the bytes of `in` to `out`; 0 or an errno value.
int copyBytes(int in, int out, off_t size)
{
    off_t done = 0;
    while (done < size) {
        ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(size - done), 0);
        if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP))
            n = ::sendfile(out, in, nullptr, static_cast<size_t>(size - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO; // the source ends before its size: a short copy is no copy
        done += n;
    }
    return 0;
}

// A name for a copy in the making where the file system has no unnamed files:
// one the walk never takes for a photo, and unique to this copy.
std::string namedTempFor(const std::string& targetName)
{
    static std::atomic<unsigned long> counter{0};
    return temporaryNameFor(targetName + "." + std::to_string(::getpid()) + "-" + std::to_string(++counter));
}

// Copies into a file that has no name (O_TMPFILE) in the target's folder,
// with the source's permission bits and times, makes it durable, and only
// then links it to the target name, which never replaces a file. Where the
// file system has no unnamed files, a hidden named one takes its place. A
// crash at any moment leaves nothing under the target name, or the whole copy.
// `durableName` also syncs the folder, for when the source is about to go;
// `opened` tells which file was copied, `made` what the copy is.
int copyFile(const FileAt& source, const FileAt& target, bool durableName, bool unnamed, PlacementRoute route,
             FileIdentity* opened, std::optional<FileIdentity>* made)
{
    struct stat st {};
    int error = 0;
    const UniqueFd in = openRegularFile(source.dir, source.name.c_str(), O_RDONLY, st, error);
    if (in.get() < 0)
        return error;
    if (opened)
        *opened = identityOf(st);
    const mode_t mode = st.st_mode & 07777;
    // The target's folder as a descriptor of its own: it is flushed, and the copy is made in it.
    const fs::path folder = target.path.has_parent_path() ? target.path.parent_path() : fs::path(".");
    UniqueFd dir(target.dir == AT_FDCWD ? ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                                        : ::fcntl(target.dir, F_DUPFD_CLOEXEC, 0));
    if (dir.get() < 0)
        return errno;
    const std::string name = target.path.filename().native();
    // Nothing to do if the name is taken: the usual case of a photo that already has its name.
    if (struct stat there{}; ::fstatat(dir.get(), name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;

    std::string tempName;
    UniqueFd out(unnamed ? ::openat(dir.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode) : -1);
    if (out.get() < 0) {
        if (unnamed && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return errno;
        tempName = namedTempFor(name);
        out.reset(::openat(dir.get(), tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (out.get() < 0)
            return errno;
    }
    int err = copyBytes(in.get(), out.get(), st.st_size);
    if (err == 0 && ::fchmod(out.get(), mode) != 0)
        err = errno;
    if (err == 0) {
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        if (::futimens(out.get(), times) != 0)
            err = errno;
    }
    if (err == 0 && ::fsync(out.get()) != 0)
        err = errno;
    if (struct stat now{}; err == 0 && made && ::fstat(out.get(), &now) == 0)
        *made = identityOf(now);
    if (err == 0) {
        if (tempName.empty())
            err = linkUnnamed(out.get(), dir.get(), name.c_str());
        else
            err = renameNoReplace(dir.get(), tempName.c_str(), dir.get(), name.c_str(), route);
    }
    if (!tempName.empty())
        ::unlinkat(dir.get(), tempName.c_str(), 0);
    if (err == 0 && durableName && ::fsync(dir.get()) != 0) {
        err = errno;
        ::unlinkat(dir.get(), name.c_str(), 0);
    }
    return err;
}

} // namespace

int linkUnnamed(int fd, int dirFd, const char* name)
{
    if (::linkat(fd, "", dirFd, name, AT_EMPTY_PATH) == 0)
        return 0;
    // AT_EMPTY_PATH needs CAP_DAC_READ_SEARCH; the /proc route does not.
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), dirFd, name, AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

fs::path cleanPathText(const fs::path& path)
{
    const std::string& text = path.native();
    std::string clean;
    clean.reserve(text.size());
    for (const char c : text)
        if (c != '/' || clean.empty() || clean.back() != '/')
            clean += c;
    if (clean.size() > 1 && clean.back() == '/')
        clean.pop_back();
    return clean;
}

bool FileManager::fileExists(const fs::path& path) const
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool FileManager::fileExists(const fs::path& path, bool& isDirectory) const
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    isDirectory = S_ISDIR(st.st_mode);
    return true;
}

bool FileManager::isSameFile(const fs::path& a, const fs::path& b) const
{
    return velmora::isSameFile(a, b);
}

std::optional<FileError> FileManager::moveItem(const FileAt& source, const FileAt& target,
                                               std::optional<FileIdentity>* made) const
{
    int err = renameNoReplace(source.dir, source.name.c_str(), target.dir, target.name.c_str(), route_);
    if (err == 0)
        return std::nullopt;
    if (err != EXDEV)
        return makeError(err, "move", source, target);

    // Another file system: the copy must be complete on disk before the
    // source goes, so that a crash in between leaves two copies, never none;
    // and what goes is the file that was copied, unchanged since.
    FileIdentity copied;
    if (int copyErr = copyFile(source, target, true, unnamedTempFiles_, route_, &copied, made); copyErr != 0)
        return makeError(copyErr, "move", source, target);
    struct stat now {};
    const bool unchanged = ::fstatat(source.dir, source.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
                           S_ISREG(now.st_mode) && identityOf(now) == copied;
    err = !unchanged ? EBUSY : ::unlinkat(source.dir, source.name.c_str(), 0) == 0 ? 0 : errno;
    if (err != 0) {
        ::unlinkat(target.dir, target.name.c_str(), 0);
        return makeError(err, "move", source, target);
    }
    return std::nullopt;
}

std::optional<FileError> FileManager::copyItem(const FileAt& source, const FileAt& target,
                                               std::optional<FileIdentity>* made) const
{
    if (int err = copyFile(source, target, false, unnamedTempFiles_, route_, nullptr, made); err != 0)
        return makeError(err, "copy", source, target);
    return std::nullopt;
}

} // namespace velmora
