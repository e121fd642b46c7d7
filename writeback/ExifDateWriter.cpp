// SPDX-License-Identifier: GPL-3.0-or-later
#include "writeback/ExifDateWriter.h"

#include "writeback/AtomicReplace.h"
#include "writeback/DatePatch.h"
#include "exiv2/Exiv2Access.h"
#include "files/PosixIo.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace velmora {
namespace {

using Status = ExifWriteResult::Status;

ExifWriteResult fail(Status status, std::string detail)
{
    return {status, std::move(detail)};
}

bool isPermissionError(int error)
{
    return error == EACCES || error == EPERM || error == EROFS;
}

// True while the file open on `fd` is the photo as it was read: a rename
// keeps its size and time everywhere, its inode number only where the file
// system keeps numbers (a FUSE one may number a renamed file anew).
bool isAsRead(int fd, const struct stat& st, const FileIdentity& read)
{
    const FileIdentity now = identityOf(st);
    return now.dev == read.dev && now.size == read.size && now.mtimeNs == read.mtimeNs &&
           (now.ino == read.ino || !keepsInodeNumbers(fd));
}

} // namespace

ExifWriteResult writeExifDate(const FileAt& photo, const std::string& date, bool digitized,
                              const ExifWriteOptions& options)
{
    // Everything relative to the folder: a rename of the folder meanwhile
    // cannot misplace the photo. Named by its path, the photo's folder is opened here.
    UniqueFd ownDir;
    int dir = photo.dir;
    std::string name = photo.name;
    if (dir == AT_FDCWD) {
        const fs::path folder = photo.path.has_parent_path() ? photo.path.parent_path() : fs::path(".");
        ownDir.reset(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (ownDir.get() < 0)
            return fail(Status::NoImageSource, errnoText("open folder", errno));
        dir = ownDir.get();
        name = photo.path.filename().native();
    }
    // The log before the photo: opening it completes the write-backs that
    // dead processes left half done, this photo's among them.
    const bool logOpen = options.patchInPlace && openWriteAheadLog() == 0;
    // One descriptor for every route, opened for writing: never a way around
    // a permission, so a photo the user may not write is written by no route
    // (the whole-file one would only need the folder).
    struct stat st {};
    int error = 0;
    UniqueFd file = openRegularFile(dir, name.c_str(), O_RDWR | O_NOFOLLOW, st, error);
    struct stat entry = st; // the photo's own directory entry
    const bool link = error == ELOOP;
    if (link) {
        // A symbolic link is replaced by the rewritten photo, and what it points
        // to stays as it is. Its target must be a regular file before it is
        // opened (opening a device can have effects of its own).
        struct stat target {};
        if (::fstatat(dir, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(entry.st_mode) ||
            ::fstatat(dir, name.c_str(), &target, 0) != 0 || !S_ISREG(target.st_mode))
            return fail(Status::NoImageSource, "not a regular file");
        file = openRegularFile(dir, name.c_str(), O_RDWR, st, error);
    }
    if (isPermissionError(error))
        return fail(Status::WriteFailed, errnoText("open", error));
    if (error != 0)
        return fail(Status::NoImageSource, error == EINVAL ? "not a regular file" : errnoText("open", error));
    if (options.unchangedSince && !isAsRead(file.get(), st, *options.unchangedSince))
        return fail(Status::WriteFailed, errnoText("changed since it was read", EAGAIN));

    if (logOpen && !link) {
        int err = 0;
        switch (patchDateInPlace(file.get(), st, photo.path, date, digitized, err, options.staged)) {
        case InPlace::Done:
            return {Status::Written, {}};
        case InPlace::Failed:
            return fail(Status::WriteFailed, errnoText("patch", err));
        case InPlace::NotPossible:
            break;
        }
    }

    Exiv2Rebuild rebuilt = exiv2RebuildWithDate(file.get(), date, digitized);
    if (rebuilt.status != Status::Written)
        return fail(rebuilt.status, std::move(rebuilt.detail));

    if (const int err =
            replaceAtomically(dir, name, file.get(), st, entry, rebuilt.bytes, options.unnamedTempFile);
        err != 0)
        return fail(Status::WriteFailed, errnoText("write", err));
    return {Status::Written, {}};
}

} // namespace velmora
